// Up the parents to the root, then the characters in the other direction.
#include "prefix/matcher/node_text.h"

#include <algorithm>
#include <span>
#include <vector>

#include "prefix/utf8.h"

namespace brindlemap {

std::string node_text(const Trie& trie, std::uint32_t node, WalkInterrupt& interrupt) {
    const std::vector<std::uint32_t>& parent = trie.word_order().parent;
    std::vector<char32_t> characters;
    for (; node != 0; node = parent[node]) characters.push_back(trie.node_strings().raw(node));
    interrupt.charge(characters.size());
    std::ranges::reverse(characters);
    return utf8::encode_all(characters);
}

}  // namespace brindlemap
