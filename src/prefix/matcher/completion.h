// Fuzzy completion: the k best words that begin with something within a distance of what was
// typed, by that prefix distance and then by rank, without listing whole subtrees.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "prefix/matcher/best_walk.h"
#include "prefix/matcher/matcher.h"
#include "prefix/matcher/metric.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// At most `k` records whose distance is the word's prefix distance (the least distance between
// `typed` and any beginning of the word, the whole word included), at most `max_dist`; best
// first: by that distance, then by rank, then by word. `trie` must have passed its shape check.
std::vector<MatchRecord> completion_walk(const Trie& trie, std::span<const char32_t> typed,
                                         std::uint64_t max_dist, Metric metric, std::uint64_t k,
                                         Rank rank, WalkInterrupt& interrupt);

}  // namespace brindlemap
