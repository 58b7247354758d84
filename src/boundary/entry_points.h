// The C entry points that the interpreter calls for module functions, each made from a
// signature and a body: it binds and converts the arguments by the signature and runs the body
// inside the call guard. Also the method definitions of any entry.
#pragma once

#include <Python.h>

#include <tuple>
#include <utility>

#include "boundary/guard.h"
#include "boundary/signature.h"

namespace brindlemap {

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

// The definitions of a vectorcall function and of a function without arguments.
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
