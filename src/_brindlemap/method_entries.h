// The C entry points of PrefixSearch's methods: as a module function's (boundary/entry_points.h),
// with the receiver borrowed as a trie for the whole call. Also their method definitions.
#pragma once

#include <Python.h>

#include <tuple>
#include <utility>

#include "boundary/entry_points.h"
#include "_brindlemap/prefix_search.h"

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

// The definitions of a vectorcall method and of a method without arguments.
template <const auto& signature, auto body>
PyMethodDef method() {
    return method_definition<signature>(method_entry<signature, body>,
                                        METH_FASTCALL | METH_KEYWORDS);
}
template <const auto& signature, auto body>
PyMethodDef noargs_method() {
    return method_definition<signature>(noargs_method_entry<signature, body>, METH_NOARGS);
}

}  // namespace brindlemap
