// The methods get_children and get_payload: walking the trie from Python.
#include <vector>

#include "boundary/convert.h"
#include "_brindlemap/operations.h"

namespace brindlemap {
namespace {

PyRef children_list(const std::vector<Child>& children) {
    return py_list(children.size(), [&](std::size_t i) {
        return py_tuple(py_char(children[i].character), py_u32(children[i].node));
    });
}

}  // namespace

PyRef get_children(const Trie& trie, std::uint32_t node_id) {
    return children_list(trie.get_children(node_id));
}

PyRef get_payload(const Trie& trie, std::uint32_t node_id) {
    return py_optional_u32(trie.get_payload(node_id));
}

}  // namespace brindlemap
