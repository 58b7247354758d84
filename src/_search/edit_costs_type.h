// brindlemap._search.EditCosts: the native table of a weighted rule, made once by edit_costs()
// from the pieces that brindlemap.Costs has checked, held by the Costs and read by the walks
// without the lock.
#pragma once

#include <Python.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "boundary/convert.h"
#include "boundary/py_ref.h"
#include "boundary/signature.h"
#include "prefix/matcher/edit_costs.h"

namespace brindlemap {

// The type object, made on first need and kept for the process. It has no constructor of its
// own: edit_costs() makes its instances, whole.
PyTypeObject* edit_costs_type();

// The costs of `object` when it is an EditCosts, or a brindlemap.Costs holding one, with the
// EditCosts that holds them in `table` (they live as long as it does); null when it is
// something else.
const EditCosts* edit_costs_of(PyObject* object, PyRef& table);

// The plain costs, from a mapping of each one's name (EditCosts::each_plain) to an integer in
// 1..EditCosts::kMaxCost (or None for one that may be left out); other keys are not read.
struct AsPlainCosts {
    using Value = EditCosts::Plain;
    static Value convert(PyObject* object, std::string_view name);
};

// A sequence of (typed, meant, cost): characters are str of one code point.
struct AsPairCosts {
    using Value = std::vector<PairCost>;
    static Value convert(PyObject* object, std::string_view name);
};

// A sequence of (character, cost).
struct AsCharCosts {
    using Value = std::vector<CharCost>;
    static Value convert(PyObject* object, std::string_view name);
};

namespace search_signatures {

inline constexpr Signature<AsPlainCosts, AsPairCosts, AsCharCosts, AsCharCosts> edit_costs{
    "edit_costs",
    "",
    {"plain", "substitutions", "insertions", "deletions"},
    "The native table of a weighted rule, which the walks read: the plain edits' costs by name\n"
    "(insert, delete, substitute, transpose; double and undouble, where None makes them an\n"
    "insertion and a deletion), (typed, meant, cost) substitutions and (character, cost)\n"
    "insertions and deletions; where one is given twice, the first counts. brindlemap.Costs\n"
    "makes one and holds it."};

}  // namespace search_signatures

PyRef edit_costs(EditCosts::Plain plain, std::vector<PairCost> substitutions,
                 std::vector<CharCost> insertions, std::vector<CharCost> deletions);

}  // namespace brindlemap
