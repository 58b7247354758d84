// One preorder walk over the trie, children taken by character; on the builder's layout,
// sequential passes instead.
#include "prefix/trie/word_order.h"

#include <algorithm>
#include <utility>

#include "prefix/large_vector.h"
#include "prefix/trie/trie.h"

namespace brindlemap {
namespace {

// On the builder's layout, each node's parent: the children of node i follow those of the nodes
// before it, so a child's parent is one less than the count of the nodes whose runs start at or
// before it. Two sequential passes, neither with a loop of its own per node.
std::vector<std::uint32_t> level_parents(const Trie& trie) {
    const std::size_t nodes = trie.node_strings().size();
    const std::size_t links = nodes - 1;
    std::vector<std::uint32_t> parent = large_vector<std::uint32_t>(nodes);
    // parent[p + 1] first counts the nodes whose run starts at position p.
    for (std::uint32_t node = 0; node < nodes; ++node)
        if (const std::size_t start = trie.child_run(node).first; start < links)
            ++parent[start + 1];
    for (std::uint32_t p = 0, runs = 0; p < links; ++p) {
        runs += parent[p + 1];
        parent[p + 1] = runs - 1;
    }
    return parent;
}

// Ranks as they are kept: along a level they grow, so mostly as offsets.
OffsetArray compacted(std::vector<std::uint32_t> values) {
    OffsetArray kept(std::move(values));
    kept.compact();
    return kept;
}

// On the builder's layout with runs in character order, every node's id is above its parent's
// and siblings are numbered in character order, so that passes over the ids, none with a loop
// of its own per node, settle it: each child's parent (level_parents); subtree sizes, back from
// the last node; ranks, each child taking its parent's cursor (its rank, plus one, plus the
// sizes of its elder siblings).
WordOrder level_by_level_order(const Trie& trie) {
    const std::size_t nodes = trie.node_strings().size();
    std::vector<std::uint32_t> parent = level_parents(trie);
    std::vector<std::uint32_t> rank = large_vector<std::uint32_t>(nodes);
    // size[node] is its subtree's size until it has its rank, then its cursor.
    std::vector<std::uint32_t> size = large_vector<std::uint32_t>(nodes, 1);
    for (std::size_t node = nodes - 1; node > 0; --node) size[parent[node]] += size[node];
    size[0] = 1;
    for (std::size_t node = 1; node < nodes; ++node) {
        const std::uint32_t above = parent[node], below = size[node];
        rank[node] = size[above];
        size[above] += below;
        size[node] = rank[node] + 1;
    }
    return WordOrder{compacted(std::move(rank))};
}

}  // namespace

WordOrder make_word_order(const Trie& trie) {
    if (trie.breadth_first() && trie.shape()->sorted_runs) return level_by_level_order(trie);
    const std::size_t nodes = trie.node_strings().size();
    std::vector<std::uint32_t> rank(nodes, 0);
    const bool sorted = trie.shape()->sorted_runs;
    std::vector<std::uint32_t> pending{0};
    std::vector<std::uint32_t> run;  // one node's children, by character
    std::uint32_t next = 0;
    while (!pending.empty()) {
        const std::uint32_t node = pending.back();
        pending.pop_back();
        rank[node] = next++;
        const auto [start, end] = trie.child_run(node);
        run.clear();
        for (std::size_t p = start; p < end; ++p) run.push_back(trie.child_index(p));
        if (!sorted)
            std::ranges::sort(run, {}, [&](std::uint32_t c) { return trie.node_strings().raw(c); });
        pending.insert(pending.end(), run.rbegin(), run.rend());  // the first character on top
    }
    return WordOrder{compacted(std::move(rank))};
}

}  // namespace brindlemap
