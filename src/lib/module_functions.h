// The module-level functions, each defined beside the operation it serves.
#pragma once

#include <Python.h>

namespace brindlemap {

PyObject* from_internal_data_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames);
PyObject* from_bytes_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames);

}  // namespace brindlemap
