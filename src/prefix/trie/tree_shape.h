// The one-pass check, made when an instance is created, that a trie's arrays have the shape of
// a well-formed tree, so that queries may take the specialised roads of fast_walk.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brindlemap {

class OffsetArray;
struct TrieArrays;

// What the check learnt of a well-formed trie.
struct TreeShape {
    std::uint32_t max_depth;  // depth of the deepest node, the root's being 0
    // child_indices is 1, 2, ...: the children of a node are the ids that follow its run's
    // positions, and need not be read.
    bool breadth_first;
    // Every run of siblings is in increasing code-point order, as the builder lays them out:
    // a child is found by its character with a binary search.
    bool sorted_runs;

    friend bool operator==(const TreeShape&, const TreeShape&) = default;
};

// The shape of the trie of these arrays when all of these hold, nothing otherwise:
// - the three per-node arrays have one entry per node, and there is at least the root;
// - node_shifts starts at 0, never decreases and stays within child_indices;
// - child_indices describes a tree rooted at node 0: every other node is listed exactly once
//   and is reachable from the root;
// - every listed child has a character, and siblings carry distinct characters.
// Linear in the size of the trie, apart from sorting the rare unsorted run of siblings.
std::optional<TreeShape> check_tree_shape(const TrieArrays& trie);

// The same check for arrays on the builder's layout whose child_indices is left out (empty):
// it is taken to be 1, 2, ..., one entry fewer than there are nodes.
std::optional<TreeShape> check_level_by_level_shape(const TrieArrays& trie);

// The depth of the deepest node of arrays on the builder's layout, whose shifts start at 0, never
// decrease and stay within `links`: for the check, and for a reader that has settled the rest
// of the shape as it read them.
std::uint32_t deepest_level(const OffsetArray& shifts, std::size_t links);

}  // namespace brindlemap
