// One preorder walk over the trie, children taken by character; on the builder's layout,
// three sequential passes instead.
#include "prefix/trie/word_order.h"

#include <algorithm>

#include "prefix/trie/trie.h"

namespace brindlemap {
namespace {

// On the builder's layout with runs in character order, every node's id is above its parent's
// and siblings are numbered in character order: parents in one pass, subtree sizes back from
// the last node, then each child's rank from its parent's and its elder siblings' sizes.
WordOrder level_by_level_order(const Trie& trie) {
    const std::size_t nodes = trie.node_strings().size();
    WordOrder order;
    order.parent.assign(nodes, 0);
    order.rank.assign(nodes, 0);
    for (std::uint32_t node = 0; node < nodes; ++node) {
        const auto [start, end] = trie.child_run(node);
        for (std::size_t child = start + 1; child < end + 1; ++child) order.parent[child] = node;
    }
    std::vector<std::uint32_t> size(nodes, 1);
    for (std::size_t node = nodes - 1; node > 0; --node) size[order.parent[node]] += size[node];
    for (std::uint32_t node = 0; node < nodes; ++node) {
        const auto [start, end] = trie.child_run(node);
        std::uint32_t next = order.rank[node] + 1;
        for (std::size_t child = start + 1; child < end + 1; ++child) {
            order.rank[child] = next;
            next += size[child];
        }
    }
    return order;
}

}  // namespace

WordOrder make_word_order(const Trie& trie) {
    if (trie.breadth_first() && trie.shape()->sorted_runs) return level_by_level_order(trie);
    const std::size_t nodes = trie.node_strings().size();
    WordOrder order;
    order.parent.assign(nodes, 0);
    order.rank.assign(nodes, 0);
    const bool sorted = trie.shape()->sorted_runs;
    std::vector<std::uint32_t> pending{0};
    std::vector<std::uint32_t> run;  // one node's children, by character
    std::uint32_t next = 0;
    while (!pending.empty()) {
        const std::uint32_t node = pending.back();
        pending.pop_back();
        order.rank[node] = next++;
        const auto [start, end] = trie.child_run(node);
        run.clear();
        for (std::size_t p = start; p < end; ++p) {
            const std::uint32_t child = trie.child_index(p);
            order.parent[child] = node;
            run.push_back(child);
        }
        if (!sorted)
            std::ranges::sort(run, {}, [&](std::uint32_t c) { return trie.node_strings().raw(c); });
        pending.insert(pending.end(), run.rbegin(), run.rend());  // the first character on top
    }
    return order;
}

}  // namespace brindlemap
