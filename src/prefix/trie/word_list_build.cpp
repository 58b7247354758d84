// The native builder: a sort of word indices, the distinct words copied out in that order, then
// two passes over them, the first counting the nodes of each depth and the second placing each
// node at its final id.
#include "prefix/trie/word_list_build.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string_view>
#include <utility>

#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// Node ids, word indices and node_shifts are 32-bit.
constexpr std::uint64_t kMostIds = std::numeric_limits<std::uint32_t>::max();

// The distinct words of a WordList in byte order, in storage of their own.
struct SortedWords {
    std::string text;
    std::vector<std::uint64_t> ends;
    std::vector<std::uint32_t> payloads;
};

// Word i of a WordList or of SortedWords.
template <class Words>
std::string_view word_at(const Words& words, std::size_t i) noexcept {
    const std::uint64_t start = i == 0 ? 0 : words.ends[i - 1];
    return std::string_view(words.text).substr(start, words.ends[i] - start);
}

bool is_continuation(char byte) noexcept {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

void check(const WordList& words) {
    const std::size_t count = words.ends.size();
    if (count != words.payloads.size() || (count == 0 ? 0 : words.ends.back()) != words.text.size())
        throw WordListError(WordListFault::counts_disagree,
                            "the word lengths, the payloads and the text do not agree");
    if (count > kMostIds)
        throw WordListError(WordListFault::too_large, "more words than 32-bit ids can number");
    std::uint64_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (words.ends[i] <= start)
            throw WordListError(WordListFault::empty_word,
                                "word " + std::to_string(i) + " has no bytes");
        if (!utf8::is_well_formed(word_at(words, i)))
            throw WordListError(WordListFault::not_utf8,
                                "word " + std::to_string(i) + " is not UTF-8 of scalar values");
        start = words.ends[i];
    }
}

// A word's first 8 bytes as a big-endian number, zeros past its end: keys in number order are
// in the byte order of their words, and only words of equal keys need their bytes compared.
std::uint64_t key_of(std::string_view word) noexcept {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i)
        key = (key << 8) | (i < word.size() ? static_cast<unsigned char>(word[i]) : 0u);
    return key;
}

// The indices of the words in byte order, equal words by index: the order of a stable sort.
std::vector<std::uint32_t> sorted_order(const WordList& words, WalkInterrupt& interrupt) {
    struct Keyed {
        std::uint64_t key;
        std::uint32_t index;
    };
    std::vector<Keyed> keyed(words.ends.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        keyed[i] = {key_of(word_at(words, i)), static_cast<std::uint32_t>(i)};
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        interrupt.charge(1);
        if (a.key != b.key) return a.key < b.key;
        const int c = word_at(words, a.index).compare(word_at(words, b.index));
        return c < 0 || (c == 0 && a.index < b.index);
    });
    std::vector<std::uint32_t> order(keyed.size());
    for (std::size_t k = 0; k < keyed.size(); ++k) order[k] = keyed[k].index;
    return order;
}

// The distinct words in byte order, each with the payload of its last occurrence, copied out
// end to end so that the passes of the layout read them front to back.
SortedWords sorted_distinct(const WordList& words, WalkInterrupt& interrupt) {
    std::vector<std::uint32_t> order = sorted_order(words, interrupt);
    SortedWords sorted;
    sorted.text.reserve(words.text.size());
    sorted.ends.reserve(order.size());
    sorted.payloads.reserve(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::string_view word = word_at(words, order[k]);
        if (k + 1 < order.size() && word == word_at(words, order[k + 1])) continue;
        sorted.text.append(word);
        sorted.ends.push_back(sorted.text.size());
        sorted.payloads.push_back(words.payloads[order[k]]);
        interrupt.charge(word.size());
    }
    return sorted;
}

// Calls visit(depth, suffix, i) for each word i of `sorted`, distinct words in byte order: the
// nodes it adds to the trie are those of `suffix`, the UTF-8 after its longest common prefix
// (of `depth` characters) with the word before it.
template <class Visit>
void for_each_new_suffix(const SortedWords& sorted, WalkInterrupt& interrupt, Visit&& visit) {
    std::string_view previous;
    for (std::size_t i = 0; i < sorted.ends.size(); ++i) {
        const std::string_view word = word_at(sorted, i);
        // `word` follows `previous` and is no prefix of it: shared < word.size().
        std::size_t shared = static_cast<std::size_t>(
            std::mismatch(previous.begin(), previous.end(), word.begin(), word.end()).second -
            word.begin());
        while (shared > 0 && is_continuation(word[shared])) --shared;  // back to a whole character
        const auto depth = static_cast<std::size_t>(std::count_if(
            word.begin(), word.begin() + static_cast<std::ptrdiff_t>(shared),
            [](char byte) { return !is_continuation(byte); }));
        visit(depth, word.substr(shared), i);
        interrupt.charge(word.size());
        previous = word;
    }
}

}  // namespace

Trie build_trie(WordList words, WalkInterrupt& interrupt) {
    check(words);
    SortedWords sorted = sorted_distinct(words, interrupt);
    words = WordList{};

    // Level by level, the nodes of a depth are that depth's distinct prefixes in sorted order:
    // next_id[d] starts at the id of the first node of depth d.
    std::vector<std::uint64_t> next_id{0};
    for_each_new_suffix(sorted, interrupt,
                        [&](std::size_t depth, std::string_view suffix, std::size_t) {
                            while (!suffix.empty()) {
                                utf8::decode_front(suffix);
                                if (++depth == next_id.size()) next_id.push_back(0);
                                ++next_id[depth];
                            }
                        });
    // The root is the one node of depth 0, which counted none: next_id[0] - 1 is the root.
    std::uint64_t nodes = 1;
    for (std::uint64_t& first : next_id) first = std::exchange(nodes, nodes + first);
    if (nodes > kMostIds)
        throw WordListError(WordListFault::too_large, "more nodes than 32-bit ids can number");

    // node_shifts holds each node's count of children until its running sum is taken.
    std::vector<std::uint32_t> shifts(nodes, 0);
    CharArray characters(nodes);
    std::vector<std::uint32_t> payloads(nodes);
    std::vector<std::uint64_t> present((nodes + 63) / 64);
    for_each_new_suffix(
        sorted, interrupt, [&](std::size_t depth, std::string_view suffix, std::size_t i) {
            // The word's path shares its first `depth` nodes with the word before, and the
            // last of them is the last node of that depth placed so far.
            auto parent = static_cast<std::uint32_t>(next_id[depth] - 1);
            while (!suffix.empty()) {
                const auto node = static_cast<std::uint32_t>(next_id[++depth]++);
                characters.set(node, utf8::decode_front(suffix));
                ++shifts[parent];
                parent = node;
            }
            payloads[parent] = sorted.payloads[i];
            present[parent / 64] |= std::uint64_t{1} << (parent % 64);
        });
    std::exclusive_scan(shifts.begin(), shifts.end(), shifts.begin(), std::uint32_t{0});
    sorted = SortedWords{};
    PayloadArray carried(payloads, std::move(present));
    payloads = {};
    return Trie(TrieArrays{OffsetArray(std::move(shifts)), std::move(characters),
                           std::move(carried), {}},
                Trie::LevelByLevel{});
}

}  // namespace brindlemap
