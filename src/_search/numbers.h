// number_span: the largest item and the sum of a table of counts in one native pass, what a
// loader checks before it trusts the table and what scores divide by.
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
    "(the largest item or 0, the sum of the items) of an array of unsigned integers, in one\n"
    "pass that makes no Python object per item."};

}  // namespace search_signatures

PyRef number_span(const AsNumbers::Value& numbers);

}  // namespace brindlemap
