// number_span and run_sums: native passes over a lexicon's tables of counts and sizes, for a
// loader that checks them before it trusts them and for what scores divide by.
#pragma once

#include <Python.h>

#include "boundary/held_buffer.h"
#include "boundary/py_ref.h"
#include "boundary/signature.h"
#include "prefix/matcher/segmentation.h"

namespace brindlemap {

// A one-dimensional buffer of unsigned integers of 1, 2, 4 or 8 bytes (an array.array of
// typecode B, H, I, L or Q, or bytes), held for the call and viewed in place; TypeError for
// anything else.
struct AsNumbers {
    class Value {
      public:
        explicit Value(PyObject* object);
        NumberView view() const noexcept;
        // The object whose buffer is held.
        PyObject* exporter() const noexcept { return buffer_.view().obj; }

      private:
        HeldBuffer buffer_;
    };
    static Value convert(PyObject* object) { return Value(object); }
};

namespace search_signatures {

inline constexpr Signature<AsNumbers> number_span{
    "number_span",
    "",
    {"numbers"},
    "(the largest item or 0, the sum of the items, the least item or 0) of an array of\n"
    "unsigned integers, in one pass that makes no Python object per item."};

inline constexpr Signature<AsNumbers, AsNumbers> run_sums{
    "run_sums",
    "",
    {"numbers", "runs"},
    "The sum of each run of items of `numbers` in turn, the runs as long as the items of\n"
    "`runs`, as bytes of little-endian u64; ValueError unless the runs, none of them empty,\n"
    "take exactly the items there are."};

}  // namespace search_signatures

PyRef number_span(const AsNumbers::Value& numbers);
PyRef run_sums(const AsNumbers::Value& numbers, const AsNumbers::Value& runs);

}  // namespace brindlemap
