// The initialisation of brindlemap._brindlemap and the body that fills the module.
#include <Python.h>

#include "boundary/convert.h"
#include "boundary/entry_points.h"
#include "boundary/error.h"
#include "boundary/guard.h"
#include "boundary/interpreter.h"
#include "boundary/report.h"
#include "_brindlemap/module.h"
#include "_brindlemap/operations.h"
#include "_brindlemap/prefix_search.h"
#include "prefix/failure.h"

namespace brindlemap {
namespace {

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT, "_brindlemap", "", 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// The module object, cached once for the life of the process.
PyObject* cached_module = nullptr;

PyMethodDef from_internal_data_definition =
    function<signatures::from_internal_data, from_internal_data>();
PyMethodDef from_bytes_definition = function<signatures::from_bytes, from_bytes>();

// Appends `name` to the module's __all__ (made on first use) and sets the attribute.
void add_to_module(PyObject* module, PyObject* name, PyObject* object) {
    PyRef all = PyRef::steal(PyObject_GetAttrString(module, "__all__"));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_pending();
        drop_pending();
        all = owned(PyList_New(0));
        if (PyObject_SetAttrString(module, "__all__", all.get()) < 0) throw_pending();
    } else if (!PyList_Check(all.get())) {
        throw_type_mismatch(all.get(), "PyList");
    }
    if (PyList_Append(all.get(), name) < 0)
        panic("could not append __name__ to __all__: " + debug_rendering(fetch_pending()));
    if (PyObject_SetAttr(module, name, object) < 0) throw_pending();
}

void add_function(PyObject* module, PyMethodDef* definition) {
    PyRef module_name = owned(PyModule_GetNameObject(module));
    PyRef function = owned(PyCMethod_New(definition, module, module_name.get(), nullptr));
    PyRef name = owned(PyObject_GetAttrString(function.get(), "__name__"));
    if (!PyUnicode_Check(name.get())) throw_type_mismatch(name.get(), "PyString");
    add_to_module(module, name.get(), function.get());
}

void run_module_body(PyObject* module) {
    add_function(module, &from_internal_data_definition);
    add_function(module, &from_bytes_definition);
    PyObject* type = reinterpret_cast<PyObject*>(prefix_search_type());
    PyRef name = owned(PyUnicode_FromString("PrefixSearch"));
    add_to_module(module, name.get(), type);
}

PyRef initialise_module() {
    report_failures();
    claim_interpreter("brindlemap._brindlemap");
    if (cached_module != nullptr) return PyRef::borrow(cached_module);
    PyRef module = owned(PyModule_Create2(&module_definition, 1013));
    run_module_body(module.get());
    cached_module = PyRef(module).release();  // the cache keeps its own reference for good
    return module;
}

}  // namespace

PyObject* init_brindlemap_module() {
    return call_guard([] { return initialise_module(); });
}

}  // namespace brindlemap
