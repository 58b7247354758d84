// The descents that find the words spelt by stretches of a text.
#include "prefix/matcher/spelt_words.h"

#include <algorithm>

namespace brindlemap {

std::vector<SpeltWord> spelt_words(const Trie& trie, std::span<const char32_t> text,
                                   std::size_t longest, WalkInterrupt& interrupt) {
    std::vector<SpeltWord> found;
    const CharArray& characters = trie.node_strings();
    const PayloadArray& payloads = trie.node_payloads();
    for (std::size_t start = 0; start < text.size(); ++start) {
        const std::size_t stop = start + std::min(longest, text.size() - start);
        std::uint32_t node = 0;
        for (std::size_t at = start; at < stop; ++at) {
            auto [p, end] = trie.child_run(node);
            interrupt.charge(1 + (end - p));
            while (p < end && characters.raw(trie.child_index(p)) != text[at]) ++p;
            if (p == end) break;
            node = trie.child_index(p);
            if (std::optional<std::uint32_t> payload = payloads[node])
                found.push_back({static_cast<std::uint32_t>(start),
                                 static_cast<std::uint32_t>(at + 1), *payload});
        }
    }
    return found;
}

}  // namespace brindlemap
