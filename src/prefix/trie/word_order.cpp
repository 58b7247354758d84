// One preorder walk over the layout, children taken by character.
#include "prefix/trie/word_order.h"

#include <algorithm>

#include "prefix/trie/node_layout.h"

namespace brindlemap {

WordOrder make_word_order(const NodeLayout& layout) {
    const std::size_t nodes = layout.size();
    WordOrder order;
    order.parent.assign(nodes, 0);
    order.rank.assign(nodes, 0);
    std::vector<std::uint32_t> pending{0};
    std::vector<std::uint32_t> run;  // one node's children, by character
    std::uint32_t next = 0;
    while (!pending.empty()) {
        const std::uint32_t node = pending.back();
        pending.pop_back();
        order.rank[node] = next++;
        const auto [first, end] = layout.children(node);
        run.clear();
        for (std::uint32_t child = first; child < end; ++child) {
            order.parent[child] = node;
            run.push_back(child);
        }
        if (!layout.sorted_runs())
            std::ranges::sort(run, {}, [&](std::uint32_t c) { return layout.character(c); });
        pending.insert(pending.end(), run.rbegin(), run.rend());  // the first character on top
    }
    return order;
}

}  // namespace brindlemap
