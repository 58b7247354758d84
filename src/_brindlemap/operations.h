// The operations behind the module's methods and functions, each defined beside what it serves;
// their entry points and method definitions are made from _brindlemap/signatures.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "boundary/py_ref.h"
#include "_brindlemap/signatures.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

PyRef fuzzy_match(const Trie& trie, std::string_view prefix, std::uint64_t max_dist,
                  std::optional<std::uint64_t> limit);
PyRef exact_match(const Trie& trie, std::string_view prefix);
PyRef get_children(const Trie& trie, std::uint32_t node_id);
PyRef get_payload(const Trie& trie, std::uint32_t node_id);
PyRef to_bytes(const Trie& trie);

PyRef from_internal_data(std::vector<std::uint32_t> node_shifts, CharArray node_strings,
                         PayloadArray node_payloads, std::vector<std::uint32_t> child_indices);
PyRef from_bytes(const AsByteString::Value& bs);

}  // namespace brindlemap
