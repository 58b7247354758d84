// search_many: many queries over one trie on native threads, the interpreter lock released.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "boundary/signature.h"
#include "_search/queries.h"

namespace brindlemap {

// Any iterable of str (read once), each query's code points; a single str is refused, not
// split.
struct AsQueryList {
    using Value = std::vector<std::vector<char32_t>>;
    static Value convert(PyObject* object);
};

namespace search_signatures {

// The walks' threads: a count like k, and 0 refused by the call.
using AsThreadCount = AsCount<Above::refuse>;

inline constexpr Signature<AsWellFormedTrie, AsQueryList, AsDistance, AsOptional<AsMetric>,
                           AsOptional<AsWordCount>, AsOptional<AsWordCount>, AsRank,
                           AsOptional<AsThreadCount>>
    search_many{
        "search_many",
        "",
        {"trie", "queries", optional("max_dist", defaults::integer(1)),
         keyword("metric", defaults::none), keyword("limit", defaults::none),
         keyword("k", defaults::none), keyword("rank", suggest.default_of("rank")),
         keyword("threads", defaults::none)},
        "For each query, in input order, what search gives (or, with k, what suggest gives),\n"
        "under the same default metric as that function unless metric is given.\n"
        "\n"
        "The queries are walked on threads native threads (default: one per CPU; at most 256)\n"
        "with the interpreter lock released, so other Python threads run meanwhile and a batch\n"
        "uses every core; Ctrl-C stops it within a few tens of milliseconds. A str is one\n"
        "query, not a sequence of them, and is refused."};

}  // namespace search_signatures

PyRef search_many(const BorrowedTrie& trie, const std::vector<std::vector<char32_t>>& queries,
                  std::uint64_t max_dist, std::optional<Metric> metric,
                  std::optional<std::uint64_t> limit, std::optional<std::uint64_t> k, Rank rank,
                  std::optional<std::uint64_t> threads);

}  // namespace brindlemap
