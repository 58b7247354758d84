// The forward-backward search: a word within k edits of the query has at most k / 2 of them in
// the query's first half, or fewer than k - k / 2 in its second. One walk of the trie holds the
// first half to the former, one walk of the trie of reversed words holds the second half to the
// latter; their union is the answer, put in the band walk's order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "prefix/matcher/best_walk.h"
#include "prefix/matcher/matcher.h"
#include "prefix/matcher/metric.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// The reversed trie when the split search serves a query of `length` code points at `max_dist`
// on `trie`: a well-formed trie with its runs of siblings in code-point order and words not too
// long for it (Trie::reversed, which this may make), a distance of at least 1 and a query
// longer than the most insertions or deletions it pays for under `metric`. Null otherwise.
const Trie* split_serves(const Trie& trie, std::size_t length, std::uint64_t max_dist,
                         const Metric& metric, WalkInterrupt& interrupt);

// What fast_fuzzy_walk gives, the same records in the same order: from the split search where
// it serves (a small limit is first tried on a few hundred visits of the band walk), from the
// band walk otherwise. The first split search
// of a trie makes its reversed trie (Trie::reversed).
std::vector<MatchRecord> fuzzy_walk(const Trie& trie, std::span<const char32_t> query,
                                    std::uint64_t max_dist, Metric metric,
                                    std::optional<std::uint64_t> limit, WalkInterrupt& interrupt);

// What best_walk gives: where the split search serves, from split searches at distances of one
// plain substitution, twice, four times that... up to max_dist, until one finds k words; from the
// band walk otherwise.
std::vector<MatchRecord> k_best(const Trie& trie, std::span<const char32_t> query,
                                std::uint64_t max_dist, Metric metric, std::uint64_t k, Rank rank,
                                WalkInterrupt& interrupt);

// The split search alone, for the tests: every record within max_dist in the band walk's
// order, up to `limit`. `reversed` is what split_serves gave.
std::vector<MatchRecord> split_walk(const Trie& trie, const Trie& reversed,
                                    std::span<const char32_t> query, std::uint64_t max_dist,
                                    Metric metric, std::optional<std::uint64_t> limit,
                                    WalkInterrupt& interrupt);

}  // namespace brindlemap
