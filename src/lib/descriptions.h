// The parameter descriptions of the module's callables, read by the binder.
#pragma once

#include <string_view>

#include "boundary/binder.h"

namespace brindlemap::descriptions {

inline constexpr std::string_view kPrefixMaxDistLimit[] = {"prefix", "max_dist", "limit"};
inline constexpr std::string_view kPrefix[] = {"prefix"};
inline constexpr std::string_view kNodeId[] = {"node_id"};
inline constexpr std::string_view kInternalArrays[] = {"node_shifts", "node_strings",
                                                       "node_payloads", "child_indices"};
inline constexpr std::string_view kBs[] = {"bs"};

inline constexpr FunctionDescription fuzzy_match{"fuzzy_match", "PrefixSearch", kPrefixMaxDistLimit,
                                                 0, 3};
inline constexpr FunctionDescription exact_match{"exact_match", "PrefixSearch", kPrefix, 0, 1};
inline constexpr FunctionDescription get_children{"get_children", "PrefixSearch", kNodeId, 0, 1};
inline constexpr FunctionDescription get_payload{"get_payload", "PrefixSearch", kNodeId, 0, 1};
inline constexpr FunctionDescription from_internal_data{"from_internal_data", "", kInternalArrays,
                                                        0, 4};
inline constexpr FunctionDescription from_bytes{"from_bytes", "", kBs, 0, 1};

}  // namespace brindlemap::descriptions
