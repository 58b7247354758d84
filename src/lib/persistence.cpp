// Placeholder until the codec lands: from_bytes is registered but not yet available.
#include "boundary/guard.h"
#include "lib/module_functions.h"

namespace brindlemap {

PyObject* from_bytes_function(PyObject*, PyObject* const*, Py_ssize_t, PyObject*) {
    return call_guard([]() -> PyRef { throw_error(PyExc_NotImplementedError, "from_bytes"); });
}

}  // namespace brindlemap
