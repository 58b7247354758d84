// brindlemap._search.Places: where each of a run of items begins, kept as the items' sizes (a
// lexicon's spelling lengths, its keys' counts of spellings) with the sum of every kStep of
// them, so that a loaded lexicon holds a byte an item rather than its places, and reads a place
// with one addition of fewer than kStep sizes.
#pragma once

#include <Python.h>

#include "boundary/py_ref.h"
#include "boundary/signature.h"
#include "_search/numbers.h"

namespace brindlemap {

// The type object, made on first need and kept for the process. places() makes its instances.
PyTypeObject* places_type();

namespace search_signatures {

inline constexpr Signature<AsNumbers, AsU64> places{
    "places",
    "",
    {"sizes", keyword("least", defaults::integer(0))},
    "Where each item begins when items of these sizes (an array of unsigned integers) lie end\n"
    "to end, as a read-only sequence of len(sizes) + 1 places, the last where the last item\n"
    "ends: the sizes are held, not copied, with the sum of every 32 of them. ValueError where\n"
    "a size is less than `least`."};

}  // namespace search_signatures

PyRef places(const AsNumbers::Value& sizes, std::uint64_t least);

}  // namespace brindlemap
