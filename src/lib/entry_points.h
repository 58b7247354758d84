// The C entry points that the interpreter calls, each made from a signature and a body: it
// binds and converts the arguments by the signature, borrows the receiver of a method for the
// whole call, and runs the body inside the call guard. Also their method definitions.
#pragma once

#include <Python.h>

#include <tuple>
#include <utility>

#include "boundary/guard.h"
#include "boundary/signature.h"
#include "lib/prefix_search.h"

namespace brindlemap {

// Method: body(trie, converted arguments...).
template <const auto& signature, auto body>
PyObject* method_entry(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                       PyObject* kwnames) {
    return call_guard([&] {
        const auto slots = bind_arguments(signature, args, nargs, kwnames);
        BorrowedTrie borrowed(self);
        return std::apply(
            [&](auto&&... values) {
                return body(borrowed.trie(), std::forward<decltype(values)>(values)...);
            },
            convert_arguments(signature, slots));
    });
}

// Method without arguments, which the interpreter itself refuses: body(trie).
template <const auto& signature, auto body>
PyObject* noargs_method_entry(PyObject* self, PyObject*) {
    return call_guard([&] {
        BorrowedTrie borrowed(self);
        return body(borrowed.trie());
    });
}

// Module function: body(converted arguments...).
template <const auto& signature, auto body>
PyObject* function_entry(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
    return call_guard([&] {
        const auto slots = bind_arguments(signature, args, nargs, kwnames);
        return std::apply(
            [&](auto&&... values) { return body(std::forward<decltype(values)>(values)...); },
            convert_arguments(signature, slots));
    });
}

// Module function without arguments: body().
template <const auto& signature, auto body>
PyObject* noargs_function_entry(PyObject*, PyObject*) {
    return call_guard([&] { return body(); });
}

template <const auto& signature, class Entry>
PyMethodDef method_definition(Entry entry, int flags) {
    return PyMethodDef{signature.name.data(),
                       reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry)), flags,
                       kDocOf<signature>.c_str()};
}

// The definitions of a vectorcall method or function, and of a method without arguments.
template <const auto& signature, auto body>
PyMethodDef method() {
    return method_definition<signature>(method_entry<signature, body>,
                                        METH_FASTCALL | METH_KEYWORDS);
}
template <const auto& signature, auto body>
PyMethodDef noargs_method() {
    return method_definition<signature>(noargs_method_entry<signature, body>, METH_NOARGS);
}
template <const auto& signature, auto body>
PyMethodDef noargs_function() {
    return method_definition<signature>(noargs_function_entry<signature, body>, METH_NOARGS);
}
template <const auto& signature, auto body>
PyMethodDef function() {
    return method_definition<signature>(function_entry<signature, body>,
                                        METH_FASTCALL | METH_KEYWORDS);
}

}  // namespace brindlemap
