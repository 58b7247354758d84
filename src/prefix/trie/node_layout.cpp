// The layout made from a trie's arrays in breadth-first passes, children in their stored order;
// the alphabet is the 255 characters that the most nodes carry.
#include "prefix/trie/node_layout.h"

#include <algorithm>
#include <unordered_map>

#include "prefix/trie/trie.h"

namespace brindlemap {
namespace {

// The characters that most nodes below the root carry, the commonest first, at most `most`.
std::vector<char32_t> commonest(const CharArray& characters, std::size_t most) {
    // Counted in a table for the Basic Multilingual Plane, in a map beyond it.
    constexpr char32_t kTabled = 0x10000;
    std::vector<std::uint32_t> tabled(kTabled);
    std::unordered_map<char32_t, std::uint32_t> beyond;
    for (std::size_t node = 1; node < characters.size(); ++node) {
        const char32_t c = characters.raw(node);
        if (c < kTabled)
            ++tabled[c];
        else
            ++beyond[c];
    }
    std::vector<std::pair<std::uint32_t, char32_t>> counted;
    for (char32_t c = 0; c < kTabled; ++c)
        if (tabled[c] != 0) counted.emplace_back(tabled[c], c);
    for (const auto& [c, count] : beyond) counted.emplace_back(count, c);
    const std::size_t kept = std::min(most, counted.size());
    std::partial_sort(counted.begin(), counted.begin() + static_cast<std::ptrdiff_t>(kept),
                      counted.end(), [](const auto& a, const auto& b) {
                          return a.first != b.first ? a.first > b.first : a.second < b.second;
                      });
    std::vector<char32_t> kept_characters;
    for (std::size_t i = 0; i < kept; ++i) kept_characters.push_back(counted[i].second);
    return kept_characters;
}

}  // namespace

NodeLayout::NodeLayout(const Trie& trie)
    : nodes_(static_cast<std::uint32_t>(trie.node_strings().size())),
      max_depth_(trie.shape()->max_depth),
      sorted_runs_(trie.shape()->sorted_runs),
      shifts_(trie.node_shifts().data()),
      links_(static_cast<std::uint32_t>(trie.child_index_count())),
      codes_(trie.node_strings().size()),
      payloads_(trie.node_payloads().values().data()),
      presence_(trie.node_payloads().presence().data()) {
    const std::size_t nodes = nodes_;
    if (!trie.breadth_first()) {
        // Numbered breadth first, children in stored order, the child p of the runs p + 1.
        trie_ids_.reserve(nodes);
        trie_ids_.push_back(0);
        own_shifts_.reserve(nodes);
        own_payloads_.reserve(nodes);
        for (std::size_t head = 0; head < trie_ids_.size(); ++head) {
            const std::uint32_t id = trie_ids_[head];
            own_shifts_.push_back(static_cast<std::uint32_t>(trie_ids_.size() - 1));
            own_payloads_.push_back(trie.node_payloads()[id]);
            const auto [start, end] = trie.child_run(id);
            for (std::size_t p = start; p < end; ++p) trie_ids_.push_back(trie.child_index(p));
        }
        shifts_ = own_shifts_.data();
        payloads_ = own_payloads_.values().data();
        presence_ = own_payloads_.presence().data();
    }

    std::vector<char32_t> alphabet = commonest(trie.node_strings(), alphabet_.size() - 1);
    std::ranges::sort(alphabet);
    std::unordered_map<char32_t, std::uint8_t> code_of;
    std::uint8_t code = kRare;
    for (const char32_t c : alphabet) {
        alphabet_[++code] = c;
        code_of.emplace(c, code);
    }
    alphabet_size_ = alphabet.size();
    for (const auto& [c, coded] : code_of)
        if (c < kTabled) tabled_codes_[c] = coded;
    rare_before_.reserve((nodes + 63) / 64);
    for (std::uint32_t node = 0; node < nodes; ++node) {
        if (node % 64 == 0) rare_before_.push_back(static_cast<std::uint32_t>(rare_.size()));
        if (node == 0) {
            rare_.push_back(kNoCharacter);  // code kRare, as the root's
            continue;
        }
        const char32_t c = trie.node_strings().raw(trie_node(node));
        std::uint8_t coded = kRare;
        if (c < kTabled) {
            coded = tabled_codes_[c];
        } else if (const auto it = code_of.find(c); it != code_of.end()) {
            coded = it->second;
        }
        codes_[node] = coded;
        if (coded == kRare) rare_.push_back(c);
    }
    coded_order_ = rare_.size() == 1;
}

std::uint8_t NodeLayout::code_of(char32_t c) const noexcept {
    if (c < kTabled) return tabled_codes_[c];
    const char32_t* first = alphabet_.data() + 1;
    const char32_t* last = first + alphabet_size_;
    const char32_t* at = std::lower_bound(first, last, c);
    if (at == last || *at != c) return kRare;
    return static_cast<std::uint8_t>(at - alphabet_.data());
}

std::uint32_t NodeLayout::find_child(std::uint32_t first, std::uint32_t end,
                                     char32_t c) const noexcept {
    if (!sorted_runs_) {
        for (std::uint32_t child = first; child < end; ++child)
            if (character(child) == c) return child;
        return end;
    }
    // A binary search that keeps its branch: the processor runs ahead into the next probe.
    std::uint32_t low = first, high = end;
    if (coded_order_) {
        const std::uint8_t wanted = code_of(c);
        if (wanted == kRare) return end;
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            if (codes_[middle] < wanted)
                low = middle + 1;
            else
                high = middle;
        }
        return low < end && codes_[low] == wanted ? low : end;
    }
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (character(middle) < c)
            low = middle + 1;
        else
            high = middle;
    }
    return low < end && character(low) == c ? low : end;
}

char32_t NodeLayout::rare_character(std::uint32_t node) const noexcept {
    std::uint32_t before = rare_before_[node / 64];
    for (std::uint32_t other = node / 64 * 64; other < node; ++other)
        before += codes_[other] == kRare ? 1u : 0u;
    return rare_[before];
}

}  // namespace brindlemap
