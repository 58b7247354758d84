// One preorder walk over the trie, children taken by character.
#include "prefix/trie/word_order.h"

#include <algorithm>

#include "prefix/trie/trie.h"

namespace brindlemap {

WordOrder make_word_order(const Trie& trie) {
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
