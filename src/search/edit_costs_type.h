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

// The costs of `object` when it is an EditCosts, or a brindlemap.Costs holding one; null when it
// is something else. The costs live as long as the object, which never changes them.
const EditCosts* edit_costs_of(PyObject* object);

// A cost: an integer in 1..EditCosts::kMaxCost; ValueError naming the parameter otherwise.
struct AsCost {
    using Value = std::uint32_t;
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

inline constexpr Signature<AsCost, AsCost, AsCost, AsCost, AsOptional<AsCost>,
                           AsOptional<AsCost>, AsPairCosts, AsCharCosts, AsCharCosts>
    edit_costs{"edit_costs",
               "",
               {"insert", "delete", "substitute", "transpose", "double", "undouble",
                "substitutions", "insertions", "deletions"},
               "The native table of a weighted rule, which the walks read: the plain edits'\n"
               "costs, the doubled and undoubled letters' (None: an insertion, a deletion),\n"
               "(typed, meant, cost) substitutions and (character, cost) insertions and\n"
               "deletions; where one is given twice, the first counts. brindlemap.Costs makes\n"
               "one and holds it."};

}  // namespace search_signatures

PyRef edit_costs(std::uint32_t insert, std::uint32_t remove, std::uint32_t substitute,
                 std::uint32_t transpose, std::optional<std::uint32_t> doubled,
                 std::optional<std::uint32_t> undoubled, std::vector<PairCost> substitutions,
                 std::vector<CharCost> insertions, std::vector<CharCost> deletions);

}  // namespace brindlemap
