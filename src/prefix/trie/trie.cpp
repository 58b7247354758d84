// Child enumeration and payload lookup over the trie's arrays.
#include "prefix/trie/trie.h"

#include "prefix/failure.h"

namespace brindlemap {

Trie::Trie(TrieArrays arrays) : arrays_(std::move(arrays)), shape_(check_tree_shape(arrays_)) {}

void Trie::get_children(std::uint32_t node_id, std::vector<Child>& out) const {
    out.clear();
    at_or_panic(arrays_.node_shifts, node_id);
    const auto [start, end] = child_run(node_id);
    for (std::size_t p = start; p < end; ++p) {
        std::uint32_t child = at_or_panic(arrays_.child_indices, p);
        if (child >= arrays_.node_strings.size())
            panic_index_out_of_bounds(arrays_.node_strings.size(), child);
        char32_t c = arrays_.node_strings.raw(child);
        if (c == CharArray::kAbsent) panic_unwrap_none();
        out.push_back(Child{c, child});
    }
}

std::vector<Child> Trie::get_children(std::uint32_t node_id) const {
    std::vector<Child> children;
    get_children(node_id, children);
    return children;
}

std::optional<std::uint32_t> Trie::get_payload(std::uint32_t node_id) const {
    return at_or_panic(arrays_.node_payloads, node_id);
}

}  // namespace brindlemap
