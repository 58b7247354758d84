// brindlemap._search: the package's native services beyond the fixed surface of
// brindlemap._brindlemap, sharing its types. Its errors are ordinary exceptions.
#include "search/module.h"

#include "boundary/entry_points.h"
#include "boundary/error.h"
#include "boundary/guard.h"
#include "boundary/interpreter.h"
#include "boundary/report.h"
#include "boundary/signature.h"
#include "search/batch.h"
#include "search/build.h"
#include "search/decode.h"
#include "search/edit_costs_type.h"
#include "search/flat.h"
#include "search/queries.h"
#include "search/shape.h"
#include "search/segment.h"
#include "search/spelt.h"

namespace brindlemap {
namespace {

PyRef panic_exception() {
    return PyRef::borrow(panic_exception_type());
}

namespace signatures {

inline constexpr Signature<> panic_exception{
    "panic_exception",
    "",
    {},
    "The type of the exception that brindlemap._brindlemap raises when an internal check fails\n"
    "(pyo3_runtime.PanicException, derived from BaseException); made on first need, and the\n"
    "same type object for the whole process."};

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
    function<search_signatures::build, build>(),
    function<search_signatures::arrays, arrays>(),
    function<search_signatures::spelt_words, spelt_words>(),
    function<search_signatures::segment, segment>(),
    function<search_signatures::flat, flat>(),
    function<search_signatures::flat_reversed, flat_reversed>(),
    function<search_signatures::from_flat, from_flat>(),
    function<search_signatures::packed, packed>(),
    function<search_signatures::packed_reversed, packed_reversed>(),
    function<search_signatures::from_packed, from_packed>(),
    noargs_function<signatures::panic_exception, panic_exception>(),
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
        return module;
    });
}

}  // namespace brindlemap
