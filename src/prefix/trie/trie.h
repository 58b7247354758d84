// The trie: four flat arrays navigated by index arithmetic, immutable once built.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "prefix/trie/node_arrays.h"
#include "prefix/trie/tree_shape.h"

namespace brindlemap {

class Agent;

// One child of a node as the child listing gives it.
struct Child {
    char32_t character;
    std::uint32_t node;

    friend bool operator==(const Child&, const Child&) = default;
};

struct Trie {
    std::vector<std::uint32_t> node_shifts;    // where each node's run of child_indices begins
    CharArray node_strings;                    // each node's last character; absent for the root
    PayloadArray node_payloads;                // each node's payload, if it carries one
    std::vector<std::uint32_t> child_indices;  // all children, one contiguous run per node

    // Set once by check_shape when the trie is decoded or handed over, from the arrays above;
    // present only for a well-formed trie. Nothing but the choice of a query's road depends on
    // it.
    std::optional<TreeShape> shape;

    void check_shape() { shape = check_tree_shape(*this); }

    // The positions [first, second) of the node's run in child_indices: from its own shift to
    // the next node's, or to the end for the last node. Unchecked: `node_id` must index
    // node_shifts.
    std::pair<std::size_t, std::size_t> child_run(std::uint32_t node_id) const noexcept {
        const std::size_t next = std::size_t{node_id} + 1;
        return {node_shifts[node_id],
                next < node_shifts.size() ? node_shifts[next] : child_indices.size()};
    }

    // The children of `node_id` in stored order; fails on the first bad read.
    std::vector<Child> get_children(std::uint32_t node_id) const;
    // The same into a buffer the caller reuses, so a walk lists children without allocating.
    void get_children(std::uint32_t node_id, std::vector<Child>& out) const;

    std::optional<std::uint32_t> get_payload(std::uint32_t node_id) const;

    // Depth-first walk from the root in which `agent` decides everything about each node.
    void dfs(Agent& agent) const;

    friend bool operator==(const Trie&, const Trie&) = default;
};

}  // namespace brindlemap
