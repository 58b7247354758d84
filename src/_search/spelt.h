// spelt_words: the words of a trie that stretches of a text spell or come near, for the
// segmentation of text written without spaces.
#pragma once

#include <cstdint>
#include <string_view>

#include "_search/queries.h"

namespace brindlemap {

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie, AsText, AsWordCount, AsU32> spelt_words{
    "spelt_words",
    "",
    {"trie", "text", "longest", "max_edits"},
    "Every stretch of text within max_edits edits (optimal string alignment) of a word of the\n"
    "trie of at most longest letters, and no more than one edit for every three of its\n"
    "letters, as (start, end, payload, edits) with text[start:end] the stretch, by start: with\n"
    "max_edits 0, the words the stretches spell, one descent from the root for each start."};

}  // namespace search_signatures

PyRef spelt_words(const BorrowedTrie& trie, std::string_view text, std::uint64_t longest,
                  std::uint32_t max_edits);

}  // namespace brindlemap
