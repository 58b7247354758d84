// A trie's shifts read from its runs of children, as index files of format 4 hold them: a byte a
// node, 255 for a run kept among the wide runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "prefix/trie/node_arrays.h"
#include "serial/vouched.h"

namespace brindlemap::serial {

// A run of this many children or more is kept among the wide runs, as a u32.
inline constexpr std::uint32_t kWideRun = 255;

// The shifts of the `nodes` runs at `runs_at` of `bytes`, with the `wide_runs` u32 wide runs at
// `wide_at` (all within `bytes`, checked by the caller), added up into lines of one-byte
// offsets, those spanning more kept whole. Refused, in the name of `layout`, where a wide run is
// missing, below 255 or left over, or the runs do not add up to one link fewer than the nodes;
// `shape` learns whether each parent's children follow it and each run of two or more rises.
OffsetArray read_run_shifts(std::span<const std::uint8_t> bytes, std::size_t runs_at,
                            std::size_t wide_at, std::size_t nodes, std::size_t wide_runs,
                            Vouched& shape, std::string_view layout);

}  // namespace brindlemap::serial
