// Up the parents to the root twice: once to size the text, once to write it from its end.
#include "prefix/matcher/node_text.h"

#include <vector>

#include "prefix/utf8.h"

namespace brindlemap {

std::string node_text(const Trie& trie, std::uint32_t node, WalkInterrupt& interrupt) {
    const OffsetArray& parent = trie.word_order().parent;
    std::size_t bytes = 0, depth = 0;
    for (std::uint32_t n = node; n != 0; n = parent[n], ++depth)
        bytes += utf8::encoded_length(trie.node_strings().raw(n));
    interrupt.charge(depth);
    std::string text(bytes, '\0');
    for (std::uint32_t n = node; n != 0; n = parent[n]) {
        const char32_t c = trie.node_strings().raw(n);
        bytes -= utf8::encoded_length(c);
        utf8::encode(c, text.data() + bytes);
    }
    return text;
}

}  // namespace brindlemap
