// search_many: many queries over one trie on native threads, the interpreter lock released.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "boundary/signature.h"
#include "search/queries.h"

namespace brindlemap {

// A sequence of str, each query's code points; a single str is refused, not split.
struct AsQueryList {
    using Value = std::vector<std::vector<char32_t>>;
    static Value convert(PyObject* object);
};

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie, AsQueryList, AsU64, AsMetric, AsOptional<AsU64>,
                           AsOptional<AsU64>, AsRank, AsOptional<AsU64>>
    search_many{"search_many",
                "",
                {"trie", "queries", "max_dist", "metric", "limit", "k", "rank", "threads"},
                "Per query, in input order, what search (or with k, suggest) gives; the walks run\n"
                "on `threads` native threads (None: one per CPU) with the interpreter lock\n"
                "released, and Ctrl-C stops them."};

}  // namespace search_signatures

PyRef search_many(const BorrowedTrie& trie, const std::vector<std::vector<char32_t>>& queries,
                  std::uint64_t max_dist, Metric metric, std::optional<std::uint64_t> limit,
                  std::optional<std::uint64_t> k, Rank rank, std::optional<std::uint64_t> threads);

}  // namespace brindlemap
