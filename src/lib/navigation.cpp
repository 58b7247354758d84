// The methods get_children and get_payload: walking the trie from Python.
#include <vector>

#include "boundary/binder.h"
#include "boundary/convert.h"
#include "boundary/guard.h"
#include "lib/descriptions.h"
#include "lib/prefix_search.h"

namespace brindlemap {
namespace {

PyRef children_list(const std::vector<Child>& children) {
    PyRef list = checked_result(PyList_New(static_cast<Py_ssize_t>(children.size())));
    for (std::size_t i = 0; i < children.size(); ++i) {
        PyRef character = py_char(children[i].character);
        PyRef node = py_u32(children[i].node);
        PyRef pair = checked_result(PyTuple_New(2));
        PyTuple_SET_ITEM(pair.get(), 0, character.release());
        PyTuple_SET_ITEM(pair.get(), 1, node.release());
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), pair.release());
    }
    return list;
}

}  // namespace

PyObject* get_children_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
    return call_guard([&] {
        ArgumentSlots<1> slots{};
        extract_arguments_fastcall(descriptions::get_children, args, nargs, kwnames, slots);
        BorrowedTrie borrowed(self);
        std::uint32_t node_id = extract_argument("node_id", [&] { return extract_u32(slots[0]); });
        return children_list(borrowed.trie().get_children(node_id));
    });
}

PyObject* get_payload_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return call_guard([&] {
        ArgumentSlots<1> slots{};
        extract_arguments_fastcall(descriptions::get_payload, args, nargs, kwnames, slots);
        BorrowedTrie borrowed(self);
        std::uint32_t node_id = extract_argument("node_id", [&] { return extract_u32(slots[0]); });
        return py_optional_u32(borrowed.trie().get_payload(node_id));
    });
}

}  // namespace brindlemap
