// brindlemap._search: the package's native services beyond the fixed surface of
// brindlemap._brindlemap, sharing its types. Its errors are ordinary exceptions.
#include "_search/module.h"

#include <string>

#include "boundary/entry_points.h"
#include "boundary/error.h"
#include "boundary/guard.h"
#include "boundary/interpreter.h"
#include "boundary/package_errors.h"
#include "boundary/report.h"
#include "boundary/signature.h"
#include "_search/batch.h"
#include "_search/build.h"
#include "_search/checksum.h"
#include "_search/decode.h"
#include "_search/edit_costs_type.h"
#include "_search/flat.h"
#include "_search/queries.h"
#include "_search/shape.h"
#include "_search/numbers.h"
#include "_search/places_type.h"
#include "_search/segment.h"
#include "_search/spelt.h"

namespace brindlemap {
namespace {

PyRef panic_exception() {
    return PyRef::borrow(panic_exception_type());
}

// Any object, borrowed for the call.
struct AsObject {
    using Value = PyObject*;
    static Value convert(PyObject* object) noexcept { return object; }
};

PyRef register_errors(PyObject* malformed_trie, PyObject* index_file, PyObject* reasons) {
    register_package_errors(malformed_trie, index_file, reasons);
    return PyRef::borrow(Py_None);
}

// The names of the reasons native code gives an IndexFileError, in their native order.
PyRef index_reasons() {
    PyRef names = owned(PyTuple_New(static_cast<Py_ssize_t>(kIndexReasonNames.size())));
    for (std::size_t i = 0; i < kIndexReasonNames.size(); ++i)
        PyTuple_SET_ITEM(names.get(), static_cast<Py_ssize_t>(i),
                         owned(PyUnicode_FromStringAndSize(
                                   kIndexReasonNames[i].data(),
                                   static_cast<Py_ssize_t>(kIndexReasonNames[i].size())))
                             .release());
    return names;
}

namespace signatures {

inline constexpr Signature<> panic_exception{
    "panic_exception",
    "",
    {},
    "The type of the exception that brindlemap._brindlemap raises when an internal check fails\n"
    "(pyo3_runtime.PanicException, derived from BaseException); made on first need, and the\n"
    "same type object for the whole process."};

inline constexpr Signature<AsObject, AsObject, AsObject> register_errors{
    "register_errors",
    "",
    {"malformed_trie", "index_file", "reasons"},
    "Hands brindlemap.errors' MalformedTrieError and IndexFileError over to the native code\n"
    "that raises them, with the IndexFileReason of each name of INDEX_REASONS, in order; once,\n"
    "as that module is imported."};

}  // namespace signatures

PyMethodDef functions[] = {
    function<search_signatures::search, search>(),
    function<search_signatures::band_search, band_search>(),
    function<search_signatures::suggest, suggest>(),
    function<search_signatures::complete, complete>(),
    function<search_signatures::search_many, search_many>(),
    function<search_signatures::decode, decode>(),
    function<search_signatures::well_formed, well_formed>(),
    function<search_signatures::payload_span, payload_span>(),
    function<search_signatures::alphabet, alphabet>(),
    function<search_signatures::build, build>(),
    function<search_signatures::arrays, arrays>(),
    function<search_signatures::spelt_words, spelt_words>(),
    function<search_signatures::segment, segment>(),
    function<search_signatures::number_span, number_span>(),
    function<search_signatures::run_sums, run_sums>(),
    function<search_signatures::places, places>(),
    function<search_signatures::flat, flat>(),
    function<search_signatures::flat_reversed, flat_reversed>(),
    function<search_signatures::from_flat, from_flat>(),
    function<search_signatures::packed, packed>(),
    function<search_signatures::packed_reversed, packed_reversed>(),
    function<search_signatures::from_packed, from_packed>(),
    function<search_signatures::from_packed_summed, from_packed_summed>(),
    function<search_signatures::packed_tables, packed_tables>(),
    function<search_signatures::crc32, crc32>(),
    noargs_function<signatures::panic_exception, panic_exception>(),
    function<search_signatures::edit_costs, edit_costs>(),
    function<signatures::register_errors, register_errors>(),
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "_search",
    "Native services of the brindlemap package beyond brindlemap._brindlemap, on its types.",
    0,
    functions,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyObject* init_search_module() {
    return call_guard([] {
        report_failures();
        claim_interpreter("brindlemap._search");
        PyRef module = owned(PyModule_Create(&definition));
        if (PyModule_AddType(module.get(), edit_costs_type()) < 0) throw_pending();
        if (PyModule_AddType(module.get(), places_type()) < 0) throw_pending();
        // Facts the Python side states too, exported so that it reads them from here.
        if (PyModule_AddIntConstant(module.get(), "MAX_COST", EditCosts::kMaxCost) < 0 ||
            PyModule_AddStringConstant(module.get(), "MALFORMED_TRIE",
                                       std::string(kMalformedTrie).c_str()) < 0 ||
            PyModule_AddObjectRef(module.get(), "INDEX_REASONS", index_reasons().get()) < 0)
            throw_pending();
        return module;
    });
}

}  // namespace brindlemap
