// The tuples the match queries return, (text, payload, distance), and their lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "boundary/py_ref.h"
#include "prefix/matcher/matcher.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

PyRef match_tuple(std::string_view text, std::optional<std::uint32_t> payload,
                  std::uint64_t distance);

// The records as a list of tuples, each payload read again from the trie first. The text
// converted is charged to `interrupt`, which polls the signal handlers (signals.h): a long
// answer is work too.
PyRef match_list(const Trie& trie, std::vector<MatchRecord> records, WalkInterrupt& interrupt);

}  // namespace brindlemap
