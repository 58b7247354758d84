// spelt_words: the words of a trie that stretches of a text spell, for the segmentation of
// text written without spaces.
#pragma once

#include <cstdint>
#include <string_view>

#include "_search/queries.h"

namespace brindlemap {

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie, AsText, AsWordCount> spelt_words{
    "spelt_words",
    "",
    {"trie", "text", "longest"},
    "Every stretch of text of at most longest characters that spells a word of the trie, as\n"
    "(start, end, payload) with text[start:end] the word, by start and then by end: one\n"
    "descent from the root for each start, so at most len(text) * longest steps."};

}  // namespace search_signatures

PyRef spelt_words(const BorrowedTrie& trie, std::string_view text, std::uint64_t longest);

}  // namespace brindlemap
