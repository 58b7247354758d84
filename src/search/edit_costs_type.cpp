// The EditCosts type: its one-time initialisation from Python values and its lifetime.
#include "search/edit_costs_type.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "boundary/convert.h"
#include "boundary/error.h"
#include "boundary/guard.h"

namespace brindlemap {
namespace {

struct EditCostsObject {
    PyObject_HEAD
    EditCosts* costs;  // owned; null until __init__ has run
};

// A cost of parameter `name`: an integer in 1..EditCosts::kMaxCost.
std::uint32_t cost_of(PyObject* object, const std::string& name) {
    const std::uint64_t cost = extract_count(object, name, Above::saturate);
    if (!EditCosts::valid_cost(cost))
        throw_error(PyExc_ValueError, name + " must be in 1.." +
                                          std::to_string(EditCosts::kMaxCost) + ", not " +
                                          repr_or(object, "?"));
    return static_cast<std::uint32_t>(cost);
}

std::optional<std::uint32_t> optional_cost_of(PyObject* object, const std::string& name) {
    if (object == Py_None) return std::nullopt;
    return cost_of(object, name);
}

// A str of one code point.
char32_t character_of(PyObject* object, const std::string& name) {
    if (!PyUnicode_Check(object) || PyUnicode_GetLength(object) != 1)
        throw_error(PyExc_TypeError, name + " must be a str of one character, not " +
                                         repr_or(object, "?"));
    return static_cast<char32_t>(PyUnicode_ReadChar(object, 0));
}

// The items of a sequence of tuples of `width`, each handed to `take`.
template <class Take>
void each_tuple(PyObject* sequence, Py_ssize_t width, const std::string& name, Take&& take) {
    PyRef items = owned(PySequence_Fast(sequence, (name + " must be a sequence").c_str()));
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(items.get());
    for (Py_ssize_t k = 0; k < count; ++k) {
        PyObject* item = PySequence_Fast_GET_ITEM(items.get(), k);
        if (!PyTuple_Check(item) || PyTuple_GET_SIZE(item) != width)
            throw_error(PyExc_TypeError, name + " must hold tuples of " +
                                             std::to_string(width) + ", not " +
                                             repr_or(item, "?"));
        take(item);
    }
}

PyObject* make_empty(PyTypeObject* type, PyObject*, PyObject*) {
    return call_guard([&] {
        auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
        PyObject* object = alloc(type, 0);
        if (object == nullptr) throw_pending();
        reinterpret_cast<EditCostsObject*>(object)->costs = nullptr;
        return PyRef::steal(object);
    });
}

// EditCosts(insert, delete, substitute, transpose, double, undouble, substitutions, insertions,
// deletions): once only, since the walks read the table without the lock.
int initialise(PyObject* self, PyObject* args, PyObject* kwargs) {
    return status_guard([&] {
        auto* instance = reinterpret_cast<EditCostsObject*>(self);
        if (instance->costs != nullptr)
            throw_error(PyExc_TypeError, "EditCosts is immutable: its __init__ has run");
        static const char* names[] = {"insert",        "delete",     "substitute",
                                      "transpose",     "double",     "undouble",
                                      "substitutions", "insertions", "deletions",
                                      nullptr};
        PyObject *insert, *remove, *substitute, *transpose, *doubled, *undoubled, *pairs,
            *insertions, *deletions;
        if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOOOOOOOO:EditCosts",
                                         const_cast<char**>(names), &insert, &remove,
                                         &substitute, &transpose, &doubled, &undoubled, &pairs,
                                         &insertions, &deletions))
            throw_pending();
        const EditCosts::Plain plain{cost_of(insert, "insert"), cost_of(remove, "delete"),
                                     cost_of(substitute, "substitute"),
                                     cost_of(transpose, "transpose"),
                                     optional_cost_of(doubled, "double"),
                                     optional_cost_of(undoubled, "undouble")};
        std::vector<PairCost> substitutions;
        each_tuple(pairs, 3, "substitutions", [&](PyObject* item) {
            substitutions.push_back(
                {character_of(PyTuple_GET_ITEM(item, 0), "a substituted character"),
                 character_of(PyTuple_GET_ITEM(item, 1), "a substituted character"),
                 cost_of(PyTuple_GET_ITEM(item, 2), "a substitution's cost")});
        });
        const auto per_character = [&](PyObject* given, const std::string& name) {
            std::vector<CharCost> costs;
            each_tuple(given, 2, name, [&](PyObject* item) {
                costs.push_back({character_of(PyTuple_GET_ITEM(item, 0), name),
                                 cost_of(PyTuple_GET_ITEM(item, 1), name)});
            });
            return costs;
        };
        auto table = std::make_unique<EditCosts>(plain, std::move(substitutions),
                                                 per_character(insertions, "insertions"),
                                                 per_character(deletions, "deletions"));
        instance->costs = table.release();
    });
}

void deallocate(PyObject* self) {
    dealloc_guard([&] {
        PyTypeObject* type = Py_TYPE(self);
        delete reinterpret_cast<EditCostsObject*>(self)->costs;
        auto free = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
        free(self);
        Py_DECREF(type);  // instances of heap types hold a reference to their type
    });
}

PyType_Slot slots[] = {
    {Py_tp_base, &PyBaseObject_Type},
    {Py_tp_new, reinterpret_cast<void*>(make_empty)},
    {Py_tp_init, reinterpret_cast<void*>(initialise)},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate)},
    {Py_tp_doc, const_cast<char*>(
                    "The native table of a weighted rule; brindlemap.Costs makes one.")},
    {0, nullptr},
};

PyType_Spec spec = {
    "brindlemap._search.EditCosts",
    static_cast<int>(sizeof(EditCostsObject)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE,
    slots,
};

PyTypeObject* type_object = nullptr;  // written once, with the GIL held

}  // namespace

PyTypeObject* edit_costs_type() {
    if (type_object == nullptr)
        type_object = reinterpret_cast<PyTypeObject*>(owned(PyType_FromSpec(&spec)).release());
    return type_object;
}

const EditCosts* edit_costs_of(PyObject* object) {
    if (!PyObject_TypeCheck(object, edit_costs_type())) return nullptr;
    const EditCosts* costs = reinterpret_cast<EditCostsObject*>(object)->costs;
    if (costs == nullptr)
        throw_error(PyExc_TypeError, "the costs were never initialised: EditCosts.__init__ "
                                     "has not run");
    return costs;
}

}  // namespace brindlemap
