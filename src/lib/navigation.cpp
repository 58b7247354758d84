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
    return py_list(children.size(), [&](std::size_t i) {
        return py_tuple(py_char(children[i].character), py_u32(children[i].node));
    });
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
