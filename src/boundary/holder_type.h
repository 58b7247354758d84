// Heap types whose instances each own one C++ value through a pointer, set once by the function
// that makes them whole (they have no constructor of their own), and deleted with them.
#pragma once

#include <Python.h>

#include <memory>

#include "boundary/convert.h"
#include "boundary/guard.h"
#include "boundary/py_ref.h"

namespace brindlemap {

template <class Held>
struct HolderObject {
    PyObject_HEAD
    Held* held;  // owned, never null once made
};

// The value an instance of a holder type owns.
template <class Held>
Held& held_by(PyObject* self) noexcept {
    return *reinterpret_cast<HolderObject<Held>*>(self)->held;
}

// The tp_dealloc of a holder type.
template <class Held>
void deallocate_holder(PyObject* self) {
    dealloc_guard([&] {
        PyTypeObject* type = Py_TYPE(self);
        delete reinterpret_cast<HolderObject<Held>*>(self)->held;
        auto free = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
        free(self);
        Py_DECREF(type);  // instances of heap types hold a reference to their type
    });
}

// The type of `spec` (whose basic size is that of HolderObject<Held>), made on first need into
// `type` and kept for the process; written once, with the GIL held.
inline PyTypeObject* holder_type(PyTypeObject*& type, PyType_Spec& spec) {
    if (type == nullptr)
        type = reinterpret_cast<PyTypeObject*>(owned(PyType_FromSpec(&spec)).release());
    return type;
}

// A new instance of `type` owning `held`.
template <class Held>
PyRef holder_of(PyTypeObject* type, std::unique_ptr<Held> held) {
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    PyRef object = owned(alloc(type, 0));
    reinterpret_cast<HolderObject<Held>*>(object.get())->held = held.release();
    return object;
}

}  // namespace brindlemap
