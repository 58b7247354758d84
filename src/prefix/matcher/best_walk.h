// The k best words within a distance of a query, found by one walk whose bound tightens to the
// k-th best distance as soon as k words are in hand.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "prefix/matcher/matcher.h"
#include "prefix/matcher/metric.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// What orders words at the same distance: the smaller payload first (a list stored in
// frequency order ranks its commonest words first), or the word in code-point order.
enum class Rank { payload, word };

// At most `k` records within `max_dist`, best first: by distance, then by rank, then by word.
// `trie` must have passed its shape check.
std::vector<MatchRecord> best_walk(const Trie& trie, std::span<const char32_t> query,
                                   std::uint64_t max_dist, Metric metric, std::uint64_t k,
                                   Rank rank, WalkInterrupt& interrupt);

}  // namespace brindlemap
