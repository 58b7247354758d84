// The queries of brindlemap._search, their signatures and the converters of their arguments.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "boundary/convert.h"
#include "boundary/py_ref.h"
#include "boundary/signature.h"
#include "_brindlemap/prefix_search.h"
#include "prefix/matcher/best_walk.h"
#include "prefix/matcher/metric.h"

namespace brindlemap {

// What refuses a trie whose arrays are not those of a well-formed trie, wherever the package
// refuses one (the module exports it as MALFORMED_TRIE).
inline constexpr std::string_view kMalformedTrie =
    "malformed trie: its arrays are not those of a well-formed trie (one entry per node, runs of "
    "children in node order, a tree from node 0, a character on every child, distinct characters "
    "among siblings)";

// A PrefixSearch whose arrays passed the shape check, borrowed for the call; any other trie is
// refused with MalformedTrieError(kMalformedTrie + ...).
struct AsWellFormedTrie {
    using Value = BorrowedTrie;
    static Value convert(PyObject* object);
};

// "levenshtein" or "osa", or weighted costs (an EditCosts, or a brindlemap.Costs); ValueError
// naming the parameter and the choices otherwise.
struct AsMetric {
    // The metric, with the object that holds a weighted one's table kept for the call: a
    // walk reads the table without the lock, so nothing may drop it meanwhile.
    struct Value {
        Metric metric;
        PyRef table;
        operator Metric() const noexcept { return metric; }  // NOLINT: implicit on purpose
    };
    static Value convert(PyObject* object, std::string_view name);
};

// "payload" or "word", the same way.
struct AsRank {
    using Value = Rank;
    static Value convert(PyObject* object, std::string_view name);
};

inline constexpr std::pair<std::string_view, Metric> kMetrics[] = {
    {"levenshtein", Metric::levenshtein}, {"osa", Metric::osa}};

// The metric that a name in a declaration's default stands for; an unknown one is not a
// constant expression.
constexpr Metric metric_named(std::string_view name) {
    for (const auto& [known, metric] : kMetrics)
        if (known == name) return metric;
    throw "unknown metric";
}

// max_dist: every distance beyond 2**64 - 1 admits the same words, since none lies further.
using AsDistance = AsCount<Above::saturate>;
// k and limit: a count of words; beyond 2**64 - 1 is refused like a negative one.
using AsWordCount = AsCount<Above::refuse>;

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie, AsText, AsDistance, AsMetric, AsOptional<AsWordCount>>
    search{"search",
           "",
           {"trie", "word", optional("max_dist", defaults::integer(1)),
            keyword("metric", defaults::text("levenshtein")), keyword("limit", defaults::none)},
           "Every word within max_dist of word, as (word, payload, distance) in walk order (the\n"
           "branch that follows word first), at most limit of them. With the default metric\n"
           "this is trie.fuzzy_match(word, max_dist, limit)."};

inline constexpr Signature<AsWellFormedTrie, AsText, AsDistance, AsMetric, AsOptional<AsWordCount>>
    band_search{"band_search",
                "",
                {"trie", "word", "max_dist", "metric", "limit"},
                "What search gives, always from the one walk over the trie that keeps a band of\n"
                "each row, whichever road search would take: for the benchmark and the tests that\n"
                "compare roads."};

// suggest and complete: the query's text (`text`) within `max_dist` by default, and the k
// best under the metric and rank that both default to.
using RankedQuery = Signature<AsWellFormedTrie, AsText, AsDistance, AsWordCount, AsMetric, AsRank>;
constexpr std::array<Parameter, 6> ranked_parameters(const char* text, long long max_dist) {
    return {"trie",
            text,
            optional("max_dist", defaults::integer(max_dist)),
            optional("k", defaults::integer(10)),
            keyword("metric", defaults::text("osa")),
            keyword("rank", defaults::text("payload"))};
}

inline constexpr RankedQuery suggest{
    "suggest", "", ranked_parameters("word", 2),
    "The k best words within max_dist of word, best first: by distance, then by rank\n"
    "(\"payload\": the smaller payload first, which ranks the commonest words first in a\n"
    "list stored in frequency order; \"word\": alphabetical by code point), then by word.\n"
    "\n"
    "Searches at distances 1, 2, 4, ... up to max_dist find them (under weighted costs, from\n"
    "one plain substitution's cost), the first that finds k words ending it, so a large\n"
    "max_dist costs little more than the answer needs."};

inline constexpr RankedQuery complete{
    "complete", "", ranked_parameters("typed", 1),
    "The k best words that begin with something within max_dist of typed, as (word,\n"
    "payload, prefix distance), best first: by the prefix distance (the least distance\n"
    "between typed and any beginning of the word), then by rank, then by word. max_dist=0\n"
    "is plain completion. Search-as-you-type: \"helo\" completes to \"hello\", \"help\",\n"
    "\"helmet\"...\n"
    "\n"
    "Only the branches that lead to the answer are opened, never a whole subtree; ranking\n"
    "by payload uses the least payload under each node, worked out once per trie (1 to 4\n"
    "bytes a node)."};

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
