// The EditCosts type: its instances, made whole by edit_costs(), and their lifetime.
#include "_search/edit_costs_type.h"

#include <memory>
#include <type_traits>
#include <string>
#include <utility>

#include "boundary/error.h"
#include "boundary/guard.h"
#include "boundary/holder_type.h"

namespace brindlemap {
namespace {

// The attribute through which a brindlemap.Costs hands over the table it holds.
constexpr const char* kHeldTable = "_compiled";

std::uint32_t cost_of(PyObject* object, std::string_view name) {
    const std::uint64_t cost = extract_count(object, name, Above::saturate);
    if (!EditCosts::valid_cost(cost))
        throw_error(PyExc_ValueError, std::string(name) + " must be in 1.." +
                                          std::to_string(EditCosts::kMaxCost) + ", not " +
                                          repr_or(object, "?"));
    return static_cast<std::uint32_t>(cost);
}

// A str of one code point.
char32_t character_of(PyObject* object, std::string_view name) {
    if (!PyUnicode_Check(object) || PyUnicode_GetLength(object) != 1)
        throw_error(PyExc_TypeError, std::string(name) + " must be a str of one character, not " +
                                         repr_or(object, "?"));
    return static_cast<char32_t>(PyUnicode_ReadChar(object, 0));
}

// The items of a sequence of tuples of `width`, each handed to `take`.
template <class Take>
void each_tuple(PyObject* sequence, Py_ssize_t width, std::string_view name, Take&& take) {
    extract_sequence(
        sequence, [](std::size_t) {},
        [&](PyObject* item) {
            if (!PyTuple_Check(item) || PyTuple_GET_SIZE(item) != width)
                throw_error(PyExc_TypeError, std::string(name) + " must hold tuples of " +
                                                 std::to_string(width) + ", not " +
                                                 repr_or(item, "?"));
            take(item);
        });
}

PyType_Slot slots[] = {
    {Py_tp_base, &PyBaseObject_Type},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate_holder<EditCosts>)},
    {Py_tp_doc, const_cast<char*>("The native table of a weighted rule; brindlemap.Costs holds "
                                  "one, which _search.edit_costs() makes.")},
    {0, nullptr},
};

PyType_Spec spec = {
    "brindlemap._search.EditCosts",
    static_cast<int>(sizeof(HolderObject<EditCosts>)),
    0,
    // Made only whole, by edit_costs(): no instance ever lacks its table.
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    slots,
};

PyTypeObject* type_object = nullptr;  // written once, with the GIL held

}  // namespace

PyTypeObject* edit_costs_type() { return holder_type(type_object, spec); }

const EditCosts* edit_costs_of(PyObject* object, PyRef& table) {
    if (PyObject_TypeCheck(object, edit_costs_type())) {
        table = PyRef::borrow(object);
    } else {
        if (PyUnicode_Check(object)) return nullptr;  // a metric's name
        PyObject* held = nullptr;
        if (PyObject_GetOptionalAttrString(object, kHeldTable, &held) < 0) throw_pending();
        table = PyRef::steal(held);
        if (!table || !PyObject_TypeCheck(table.get(), edit_costs_type())) {
            table = PyRef();
            return nullptr;
        }
    }
    return &held_by<EditCosts>(table.get());
}

AsPlainCosts::Value AsPlainCosts::convert(PyObject* object, std::string_view name) {
    if (!PyMapping_Check(object))
        throw_error(PyExc_TypeError, std::string(name) + " must be a mapping of costs, not " +
                                         repr_or(object, "?"));
    EditCosts::Plain plain{};
    EditCosts::each_plain(plain, [&](std::string_view cost, auto& member) {
        PyObject* found = nullptr;
        if (PyMapping_GetOptionalItemString(object, std::string(cost).c_str(), &found) < 0)
            throw_pending();
        PyRef value = PyRef::steal(found);
        if (!value)
            throw_error(PyExc_TypeError,
                        std::string(name) + " must give a cost for '" + std::string(cost) + "'");
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(member)>, std::uint32_t>)
            member = cost_of(value.get(), cost);
        else
            member = value.get() == Py_None
                         ? std::nullopt
                         : std::optional<std::uint32_t>(cost_of(value.get(), cost));
    });
    return plain;
}

AsPairCosts::Value AsPairCosts::convert(PyObject* object, std::string_view name) {
    std::vector<PairCost> pairs;
    each_tuple(object, 3, name, [&](PyObject* item) {
        pairs.push_back({character_of(PyTuple_GET_ITEM(item, 0), "a substituted character"),
                         character_of(PyTuple_GET_ITEM(item, 1), "a substituted character"),
                         cost_of(PyTuple_GET_ITEM(item, 2), "a substitution's cost")});
    });
    return pairs;
}

AsCharCosts::Value AsCharCosts::convert(PyObject* object, std::string_view name) {
    std::vector<CharCost> costs;
    each_tuple(object, 2, name, [&](PyObject* item) {
        costs.push_back({character_of(PyTuple_GET_ITEM(item, 0), name),
                         cost_of(PyTuple_GET_ITEM(item, 1), name)});
    });
    return costs;
}

PyRef edit_costs(EditCosts::Plain plain, std::vector<PairCost> substitutions,
                 std::vector<CharCost> insertions, std::vector<CharCost> deletions) {
    auto table = std::make_unique<EditCosts>(plain, std::move(substitutions),
                                             std::move(insertions), std::move(deletions));
    return holder_of(edit_costs_type(), std::move(table));
}

}  // namespace brindlemap
