// The queries of brindlemap._search, their signatures and the converters of their arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "boundary/convert.h"
#include "boundary/signature.h"
#include "lib/prefix_search.h"
#include "prefix/matcher/best_walk.h"
#include "prefix/matcher/row_rules.h"

namespace brindlemap {

// A PrefixSearch whose arrays passed the shape check, borrowed for the call; any other trie is
// refused with ValueError("malformed trie: ...").
struct AsWellFormedTrie {
    using Value = BorrowedTrie;
    static Value convert(PyObject* object);
};

// "levenshtein" or "osa".
struct AsMetric {
    using Value = Metric;
    static Value convert(PyObject* object);
};

// "payload" or "word".
struct AsRank {
    using Value = Rank;
    static Value convert(PyObject* object);
};

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie, AsText, AsU64, AsMetric, AsOptional<AsU64>> search{
    "search",
    "",
    {"trie", "word", "max_dist", "metric", "limit"},
    "Every word of the trie within max_dist of word under the metric, as (word, payload,\n"
    "distance) tuples in walk order, at most limit of them; with \"levenshtein\", the list\n"
    "that trie.fuzzy_match(word, max_dist, limit) gives."};

inline constexpr Signature<AsWellFormedTrie, AsText, AsU64, AsMetric, AsOptional<AsU64>> band_search{
    "band_search",
    "",
    {"trie", "word", "max_dist", "metric", "limit"},
    "What search gives, always from the one walk over the trie that keeps a band of each row,\n"
    "whichever road search would take: for the benchmark and the tests that compare roads."};

inline constexpr Signature<AsWellFormedTrie, AsText, AsU64, AsU64, AsMetric, AsRank> suggest{
    "suggest",
    "",
    {"trie", "word", "max_dist", "k", "metric", "rank"},
    "The k best words within max_dist of word under the metric, best first: by distance, then\n"
    "by rank (\"payload\": the smaller payload first; \"word\": code-point order), then by word."};

inline constexpr Signature<AsWellFormedTrie, AsText, AsU64, AsU64, AsMetric, AsRank> complete{
    "complete",
    "",
    {"trie", "typed", "max_dist", "k", "metric", "rank"},
    "The k best words that begin with something within max_dist of typed under the metric, as\n"
    "(word, payload, prefix distance), best first: by that distance, then by rank, then by word.\n"
    "With max_dist 0, plain completion of typed."};

}  // namespace search_signatures

PyRef search(const BorrowedTrie& trie, std::string_view word, std::uint64_t max_dist, Metric metric,
             std::optional<std::uint64_t> limit);
PyRef band_search(const BorrowedTrie& trie, std::string_view word, std::uint64_t max_dist,
                  Metric metric, std::optional<std::uint64_t> limit);
PyRef suggest(const BorrowedTrie& trie, std::string_view word, std::uint64_t max_dist,
              std::uint64_t k, Metric metric, Rank rank);
PyRef complete(const BorrowedTrie& trie, std::string_view typed, std::uint64_t max_dist,
               std::uint64_t k, Metric metric, Rank rank);

}  // namespace brindlemap
