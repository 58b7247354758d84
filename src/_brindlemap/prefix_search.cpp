// The PrefixSearch type object, instance creation and deallocation, and the borrow protocol.
#include "_brindlemap/prefix_search.h"

#include <new>
#include <string>

#include "boundary/convert.h"
#include "boundary/error.h"
#include "boundary/guard.h"
#include "_brindlemap/method_entries.h"
#include "_brindlemap/operations.h"

namespace brindlemap {
namespace {

PyObject* refuse_construction(PyTypeObject* subtype, PyObject*, PyObject*) {
    return call_guard([&]() -> PyRef {
        throw_error(PyExc_TypeError,
                    "No constructor defined for " +
                        utf8_of(PyRef::steal(PyType_GetName(subtype))).value_or("<unknown>"));
    });
}

void deallocate(PyObject* self) {
    dealloc_guard([&] {
        PyTypeObject* type = Py_TYPE(self);
        reinterpret_cast<PrefixSearchObject*>(self)->trie.~Trie();
        auto free = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
        free(self);
        Py_DECREF(type);  // instances of heap types hold a reference to their type
    });
}

PyMethodDef methods[] = {
    method<signatures::fuzzy_match, fuzzy_match>(),
    method<signatures::exact_match, exact_match>(),
    method<signatures::get_children, get_children>(),
    method<signatures::get_payload, get_payload>(),
    noargs_method<signatures::to_bytes, to_bytes>(),
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_base, &PyBaseObject_Type},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate)},
    {Py_tp_new, reinterpret_cast<void*>(refuse_construction)},
    {Py_tp_methods, methods},
    {0, nullptr},
};

PyType_Spec spec = {
    "builtins.PrefixSearch",
    static_cast<int>(sizeof(PrefixSearchObject)),
    0,
    Py_TPFLAGS_DEFAULT,
    slots,
};

PyTypeObject* type_object = nullptr;  // written once, with the GIL held

}  // namespace

PyTypeObject* prefix_search_type() {
    if (type_object != nullptr) return type_object;
    PyObject* created = PyType_FromSpec(&spec);
    if (created == nullptr) {
        PyRef cause = fetch_pending().exception();
        PyRef error = PyErrorValue::lazy(PyExc_RuntimeError,
                                         "An error occurred while initializing class PrefixSearch")
                          .exception();
        PyException_SetCause(error.get(), cause.release());
        throw PyErrorValue::normalized(std::move(error));
    }
    if (type_object == nullptr)
        type_object = reinterpret_cast<PyTypeObject*>(created);  // kept for the process
    else
        Py_DECREF(created);
    return type_object;
}

PyRef make_prefix_search(Trie&& trie) {
    PyTypeObject* type = prefix_search_type();
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    PyObject* object = alloc(type, 0);
    if (object == nullptr) throw_pending();
    auto* instance = reinterpret_cast<PrefixSearchObject*>(object);
    new (&instance->trie) Trie(std::move(trie));
    new (&instance->borrow_flag) std::atomic<std::int64_t>(0);
    return PyRef::steal(object);
}

BorrowedTrie::BorrowedTrie(PyObject* self) {
    if (!PyType_IsSubtype(Py_TYPE(self), prefix_search_type()))
        throw_type_mismatch(self, "PrefixSearch");
    auto* instance = reinterpret_cast<PrefixSearchObject*>(self);
    instance->borrow_flag.fetch_add(1);
    Py_INCREF(self);
    object_ = instance;
}

BorrowedTrie::~BorrowedTrie() {
    if (object_ == nullptr) return;  // moved from
    object_->borrow_flag.fetch_sub(1);
    if (!interpreter_lost()) Py_DECREF(reinterpret_cast<PyObject*>(object_));
}

}  // namespace brindlemap
