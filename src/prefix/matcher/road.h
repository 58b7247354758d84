// The match queries' one choice of road: the specialised walk on a trie whose shape check
// passed, the general walk with a Matcher on any other. Both give the same records in the same
// order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "prefix/matcher/matcher.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// Every node within `max_dist` of `query` that carries a payload, up to `limit`, in walk order.
std::vector<MatchRecord> match_records(const Trie& trie, std::vector<char32_t> query,
                                       std::uint64_t max_dist, std::optional<std::uint64_t> limit,
                                       WalkInterrupt& interrupt);

// The node of the first record at distance 0, whose text is `query` itself; nothing when no
// node is.
std::optional<std::uint32_t> exact_node(const Trie& trie, std::vector<char32_t> query,
                                        WalkInterrupt& interrupt);

}  // namespace brindlemap
