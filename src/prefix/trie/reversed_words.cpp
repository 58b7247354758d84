// One preorder walk counts the words' code points, a second gathers the words reversed, then the
// native builder lays them out.
#include "prefix/trie/reversed_words.h"

#include <bit>
#include <string>
#include <vector>

#include "prefix/trie/word_list_build.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// Calls visit(node, depth) for every node below the root, in preorder.
template <class Visit>
void each_node(const Trie& trie, WalkInterrupt& interrupt, Visit&& visit) {
    struct Pending {
        std::uint32_t node;
        std::uint32_t depth;
    };
    std::vector<Pending> pending{{0, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > 0) visit(node, std::size_t{depth});
        const auto [start, end] = trie.child_run(node);
        for (std::size_t p = start; p < end; ++p) pending.push_back({trie.child_index(p), depth + 1});
        interrupt.charge(end - start + 1);
    }
}

}  // namespace

std::unique_ptr<Trie> make_reversed_trie(const Trie& trie, WalkInterrupt& interrupt) {
    std::size_t characters = 0;
    each_node(trie, interrupt, [&](std::uint32_t node, std::size_t depth) {
        if (trie.node_payloads().has(node)) characters += depth;
    });
    if (characters > kMostReversedPerNode * trie.node_strings().size()) return nullptr;
    std::string text;
    text.reserve(characters);
    std::vector<std::uint64_t> ends;
    std::vector<std::uint32_t> payloads;
    std::vector<char32_t> path;  // the characters of the current path, by depth
    each_node(trie, interrupt, [&](std::uint32_t node, std::size_t depth) {
        if (path.size() < depth) path.resize(depth);
        path[depth - 1] = trie.node_strings().raw(node);
        if (!trie.node_payloads().has(node)) return;
        for (std::size_t i = depth; i-- > 0;) utf8::append(text, path[i]);
        ends.push_back(text.size());
        payloads.push_back(node);
        interrupt.charge(depth);
    });
    return std::make_unique<Trie>(
        build_trie(WordList{text, std::move(ends), std::move(payloads)}, interrupt));
}

bool reversed_fits(const Trie& trie, const Trie& reversed) {
    if (!trie.shape() || !reversed.shape() || !reversed.shape()->sorted_runs) return false;
    const PayloadArray& words = trie.node_payloads();
    const std::span<const std::uint32_t> named_nodes = reversed.node_payloads().carried();
    // The root's word, the empty one, has no place in the reversed trie.
    if (named_nodes.size() != words.carried().size() - words.has(0)) return false;
    // Each payload of the reversed trie names the node of the word it spells backwards. As
    // many as the words below the root, and together naming just their nodes, they name each
    // once; the bits are set in one pass and compared in another, as they lie.
    std::vector<std::uint64_t> named(words.presence().size());
    for (const std::uint32_t node : named_nodes) {
        if (node >= words.size()) return false;
        named[node / 64] |= std::uint64_t{1} << (node % 64);
    }
    const std::span<const std::uint64_t> ends = words.presence();
    for (std::size_t w = 0; w < named.size(); ++w)
        if (named[w] != (w == 0 ? ends[w] & ~std::uint64_t{1} : ends[w])) return false;
    return true;
}

}  // namespace brindlemap
