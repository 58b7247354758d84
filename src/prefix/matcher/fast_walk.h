// The specialised road of the match queries on a trie whose shape check passed: the same
// records in the same order as Trie::dfs with a Matcher, from a walk that keeps only the band of
// each row that can lie within max_dist, one row per depth, and its pending nodes on a plain
// stack, with no State and no agent. It answers every query on such a trie, of any length and
// with any max_dist, in memory that grows with the depth it reaches times the band's width.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "prefix/matcher/matcher.h"
#include "prefix/matcher/metric.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// The records a Matcher with these settings collects in Trie::dfs, in the same order; with
// Metric::osa, the same walk with adjacent transpositions costing 1. `trie` must have passed
// its shape check. Row entries are 32 bits wide unless the query is too long for that, or
// `wide_entries` asks for 64 bits, which only the tests do.
std::vector<MatchRecord> fast_fuzzy_walk(const Trie& trie, std::span<const char32_t> query,
                                         std::uint64_t max_dist, Metric metric,
                                         std::optional<std::uint64_t> limit,
                                         WalkInterrupt& interrupt, bool wide_entries = false);

// fast_fuzzy_walk's first `limit` records when the walk finds them within `budget` visits;
// nothing when it does not, or when there are fewer.
std::optional<std::vector<MatchRecord>> fast_fuzzy_walk_within(
    const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist, Metric metric,
    std::uint64_t limit, std::uint64_t budget, WalkInterrupt& interrupt);

// On a well-formed trie: the node whose text is `query`, when it carries a payload and is not
// the root; what the first record of an exact Matcher walk would name. Nothing otherwise.
std::optional<std::uint32_t> fast_exact_node(const Trie& trie, std::span<const char32_t> query);

}  // namespace brindlemap
