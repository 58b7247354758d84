// The well-formedness check of a trie: a breadth-first pass over its child runs.
#include "prefix/trie/tree_shape.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "prefix/trie/trie.h"

namespace brindlemap {
namespace {

// Whether the characters of one run of siblings are pairwise distinct; `sorted` is cleared
// when they are not in increasing code-point order. Runs laid out in that order, the usual
// case, are settled in one pass.
bool distinct_characters(const std::vector<char32_t>& characters, std::vector<char32_t>& scratch,
                         bool& sorted) {
    bool increasing = true;
    for (std::size_t i = 1; i < characters.size() && increasing; ++i)
        increasing = characters[i - 1] < characters[i];
    if (increasing) return true;
    sorted = false;
    scratch.assign(characters.begin(), characters.end());
    std::sort(scratch.begin(), scratch.end());
    return std::adjacent_find(scratch.begin(), scratch.end()) == scratch.end();
}

// `links` is the length of child_indices, whether it is stored or left out.
bool per_node_arrays_agree(const TrieArrays& trie, std::size_t links) noexcept {
    const std::size_t nodes = trie.node_shifts.size();
    return nodes > 0 && trie.node_strings.size() == nodes && trie.node_payloads.size() == nodes &&
           links == nodes - 1;
}

bool shifts_are_runs(const TrieArrays& trie, std::size_t links) noexcept {
    const OffsetArray& shifts = trie.node_shifts;
    if (shifts[0] != 0 || shifts[shifts.size() - 1] > links) return false;
    for (std::size_t i = 1; i < shifts.size(); ++i)
        if (shifts[i] < shifts[i - 1]) return false;
    return true;
}

// The layout of the builder, numbered level by level: child_indices is 1, 2, ..., so that
// node ids are handed out in breadth-first order.
bool numbered_level_by_level(const TrieArrays& trie) noexcept {
    const std::vector<std::uint32_t>& links = trie.child_indices;
    for (std::size_t p = 0; p < links.size(); ++p)
        if (links[p] != p + 1) return false;
    return true;
}

// Whether, on the builder's layout, every run of siblings keeps its characters in increasing
// code-point order (so that they are distinct): a mark on each run's first child, then one pass
// over the characters, with nothing to branch on per node.
bool runs_increase(const TrieArrays& trie, std::size_t links) {
    const OffsetArray& shifts = trie.node_shifts;
    const std::size_t nodes = shifts.size();
    std::vector<std::uint8_t> first_child(nodes + 1);
    for (std::size_t node = 0; node < nodes; ++node) {
        const auto [start, end] = run_of(shifts, node, links);
        first_child[start + 1] |= static_cast<std::uint8_t>(start < end);
    }
    const CharArray& characters = trie.node_strings;
    unsigned out_of_order = 0;
    for (std::size_t i = 2; i < nodes; ++i)
        out_of_order |= static_cast<unsigned>(first_child[i] == 0) &
                        static_cast<unsigned>(characters.raw(i - 1) >= characters.raw(i));
    return out_of_order == 0;
}

// On the builder's layout each node is listed exactly once, and the links form a tree when
// every child's id is above its parent's, since a chain of parents can only descend to the
// root. Settled in a few sequential passes, without a queue; runs of siblings out of order
// (which the builder never makes) are then sorted one by one.
std::optional<TreeShape> check_level_by_level_layout(const TrieArrays& trie, std::size_t links) {
    const OffsetArray& shifts = trie.node_shifts;
    const std::size_t nodes = shifts.size();
    unsigned below = 0, absent = 0;
    for (std::size_t node = 0; node < nodes; ++node) {
        const auto [start, end] = run_of(shifts, node, links);
        // A child not above its parent.
        below |= static_cast<unsigned>(start < end) & static_cast<unsigned>(start < node);
    }
    // The runs' children are the nodes 1 to links, each once: every one needs a character.
    for (std::size_t i = 1; i < nodes; ++i)
        absent |= static_cast<unsigned>(trie.node_strings.raw(i) == CharArray::kAbsent);
    if (below != 0 || absent != 0) return std::nullopt;
    bool sorted = true;
    if (!runs_increase(trie, links)) {
        std::vector<char32_t> run, scratch;
        for (std::size_t node = 0; node < nodes; ++node) {
            const auto [start, end] = run_of(shifts, node, links);
            run.clear();
            for (std::size_t child = start + 1; child < end + 1; ++child)
                run.push_back(trie.node_strings.raw(child));
            if (start < end && !distinct_characters(run, scratch, sorted)) return std::nullopt;
        }
    }
    return TreeShape{deepest_level(shifts, links), true, sorted};
}

}  // namespace

std::uint32_t deepest_level(const OffsetArray& shifts, std::size_t links) {
    // Depth by depth: the children of the nodes [first, last) are [shift(first) + 1,
    // shift(last) + 1).
    const std::size_t nodes = shifts.size();
    const auto shift = [&](std::size_t node) {
        return node < nodes ? std::size_t{shifts[node]} : links;
    };
    std::uint32_t depth = 0;
    for (std::size_t first = 0, last = 1; true; ++depth) {
        const std::size_t next_first = shift(first) + 1, next_last = shift(last) + 1;
        if (next_first >= next_last) break;
        first = next_first;
        last = next_last;
    }
    return depth;
}

std::optional<TreeShape> check_tree_shape(const TrieArrays& trie) {
    // With one link fewer than nodes, a walk from the root that meets every node exactly once
    // has read every link, so each node but the root is listed once.
    const std::size_t links = trie.child_indices.size();
    if (!per_node_arrays_agree(trie, links) || !shifts_are_runs(trie, links)) return std::nullopt;
    if (numbered_level_by_level(trie)) return check_level_by_level_layout(trie, links);
    const std::size_t nodes = trie.node_shifts.size();

    std::vector<std::uint32_t> order(nodes);  // breadth-first order, filled as it is walked
    std::vector<bool> reached(nodes);
    std::vector<char32_t> characters, scratch;
    bool sorted = true;
    reached[0] = true;
    std::size_t filled = 1;
    std::size_t level_end = 1;  // where in `order` the current depth's nodes end
    std::uint32_t depth = 0;
    for (std::size_t head = 0; head < filled; ++head) {
        if (head == level_end) {
            ++depth;
            level_end = filled;
        }
        const std::uint32_t node = order[head];
        const auto [start, end] = trie.child_run(node);
        characters.clear();
        for (std::size_t p = start; p < end; ++p) {
            const std::uint32_t child = trie.child_indices[p];
            if (child >= nodes || reached[child]) return std::nullopt;
            const char32_t c = trie.node_strings.raw(child);
            if (c == CharArray::kAbsent) return std::nullopt;
            reached[child] = true;
            order[filled++] = child;
            characters.push_back(c);
        }
        if (!distinct_characters(characters, scratch, sorted)) return std::nullopt;
    }
    if (filled != nodes) return std::nullopt;
    return TreeShape{depth, false, sorted};
}

std::optional<TreeShape> check_level_by_level_shape(const TrieArrays& trie) {
    if (trie.node_shifts.empty() || !trie.child_indices.empty()) return std::nullopt;
    const std::size_t links = trie.node_shifts.size() - 1;
    if (!per_node_arrays_agree(trie, links) || !shifts_are_runs(trie, links)) return std::nullopt;
    return check_level_by_level_layout(trie, links);
}

}  // namespace brindlemap
