// The specialised road of the match queries on a trie whose shape check passed: the same
// records in the same order as Trie::dfs with a Matcher, from a walk that keeps its rows, one
// per depth, in one buffer and its pending nodes on a plain stack, with no State and no agent.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "prefix/matcher/matcher.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// Whether fast_fuzzy_walk may answer a query of `query_length` characters with `max_dist` on
// `trie`: the trie is well-formed, its row entries fit in 32 bits and the rows of its deepest
// reachable branch take a bounded buffer. Any other query takes the general walk.
bool fast_walk_applies(const Trie& trie, std::size_t query_length, std::uint64_t max_dist);

// The records a Matcher with these settings collects in Trie::dfs, in the same order.
std::vector<MatchRecord> fast_fuzzy_walk(const Trie& trie, std::span<const char32_t> query,
                                         std::uint64_t max_dist,
                                         std::optional<std::uint64_t> limit);

// On a well-formed trie: the node whose text is `query`, when it carries a payload and is not
// the root; what the first record of an exact Matcher walk would name. Nothing otherwise.
std::optional<std::uint32_t> fast_exact_node(const Trie& trie, std::span<const char32_t> query);

}  // namespace brindlemap
