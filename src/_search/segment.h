// segment: the likeliest split of text written without spaces, scored by a lexicon's count and
// bigram tables, which are read in place from the arrays that hold them.
#pragma once

#include <Python.h>

#include <cstdint>
#include <string_view>

#include "prefix/matcher/segmentation.h"
#include "_search/build.h"
#include "_search/numbers.h"
#include "_search/queries.h"

namespace brindlemap {

// A float, or an int taken as one.
struct AsReal {
    using Value = double;
    static Value convert(PyObject* object);
};

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie, AsText, AsWordText, AsNumbers, AsU64, AsNumbers,
                           AsNumbers, AsU64, AsReal, AsReal, AsReal, AsWordCount, AsU32, AsReal,
                           AsNumbers, AsWordText, AsU64>
    segment{"segment",
            "",
            {"trie", "text", "allowed", "totals", "total", "pairs", "pair_counts", "mass",
             "smoothing", "unknown_first", "unknown_per_letter", "longest", "max_edits",
             "per_edit", "others", "demoted", "demoted_count"},
            "The pieces of the likeliest split of text, in order, as (start, payload of its\n"
            "word or None, edits): the words are the trie's (payload r counting totals[r] of\n"
            "total), each pair (a, b) counting pair_counts[i] where pairs[i] == a *\n"
            "len(totals) + b (pairs ascending; mass their total), a piece within max_edits\n"
            "edits of its word, each costing per_edit, scored as brindlemap.segmenting\n"
            "describes; a piece starts and ends only where allowed (bytes, one a position) is\n"
            "nonzero, or at either end. others holds (start, end, count) triples one after\n"
            "another, stretches that spell the words of another list: the i-th is a word\n"
            "numbered len(totals) + i, in no pair. The payloads whose bits are set in demoted\n"
            "(bytes: payload r's is bit r % 8 of byte r // 8) count demoted_count as pieces,\n"
            "their pairs still weighed by their totals."};

}  // namespace search_signatures

PyRef segment(const BorrowedTrie& trie, std::string_view text, const AsWordText::Value& allowed,
              const AsNumbers::Value& totals, std::uint64_t total, const AsNumbers::Value& pairs,
              const AsNumbers::Value& pair_counts, std::uint64_t mass, double smoothing,
              double unknown_first, double unknown_per_letter, std::uint64_t longest,
              std::uint32_t max_edits, double per_edit, const AsNumbers::Value& others,
              const AsWordText::Value& demoted, std::uint64_t demoted_count);

}  // namespace brindlemap
