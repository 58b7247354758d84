// Down from the root by the word order: a node's text begins every text below it, so the nodes
// below each one take the ranks that follow its own, and the child whose subtree holds a node is
// the one of greatest rank not past that node's. No parent need be kept.
#include "prefix/matcher/node_text.h"

#include "prefix/utf8.h"

namespace brindlemap {

std::string node_text(const Trie& trie, std::uint32_t node, WalkInterrupt& interrupt) {
    const OffsetArray& ranks = trie.word_order().rank;
    const std::uint32_t rank = ranks[node];
    // Where siblings are in character order, so are their ranks, and the child is found by
    // halving its run.
    const bool sorted = trie.shape()->sorted_runs;
    std::string text;
    std::size_t looked_at = 0;
    // Each step goes a level down, so it ends; ranks read with a trie that do not lead to the
    // node end at a leaf, with the text of what they led to.
    for (std::uint32_t at = 0; at != node;) {
        auto [start, end] = trie.child_run(at);
        std::uint32_t next = at, next_rank = 0;
        if (sorted) {
            while (end - start > 1) {  // the child at start, if any, is the last not past it
                const std::size_t middle = start + (end - start) / 2;
                (ranks[trie.child_index(middle)] <= rank ? start : end) = middle;
                ++looked_at;
            }
        }
        for (std::size_t p = start; p < end; ++p) {
            const std::uint32_t child = trie.child_index(p), child_rank = ranks[child];
            if (child_rank <= rank && (next == at || child_rank >= next_rank)) {
                next = child;
                next_rank = child_rank;
            }
        }
        looked_at += end - start;
        if (next == at) break;
        char bytes[4];
        text.append(bytes, utf8::encode(trie.node_strings().raw(next), bytes));
        at = next;
    }
    interrupt.charge(looked_at);
    return text;
}

}  // namespace brindlemap
