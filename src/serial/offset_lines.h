// Values kept as OffsetArray keeps them in memory (lines of one- or two-byte offsets from a
// base, the values of lines that span more kept whole) laid out for index files, so that a
// reader takes the lines where they lie rather than making them.
//
// Little-endian: the lines, 64 bytes each (a u32 base, then 60 one-byte or 30 two-byte offsets
// from it; a base of 0xFFFFFFFF marks a line whose values are kept whole, its first four bytes
// giving where they begin among the values, the rest zeros; the offsets past the last value
// zeros), then the values kept whole, u32 each (those of the lines kept whole in line order, or
// every value where the array keeps them whole and has no lines).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "prefix/trie/node_arrays.h"
#include "serial/piece_sums.h"

namespace brindlemap::serial {

// The bytes that `lines` lines and `values` values take, unpadded.
constexpr std::size_t offset_lines_size(std::size_t lines, std::size_t values) noexcept {
    return sizeof(OffsetArray::Line) * lines + 4 * values;
}

// Writes `array` into `out`, which holds offset_lines_size of its lines and values.
void write_offset_lines(const OffsetArray& array, std::span<std::uint8_t> out);

// The `n` values laid out in `width` as `lines` lines and `values` values from `at`, which the
// caller has checked lie within `bytes`. Refused, in the name of `layout`, where the lines are
// not as many as `n` values take in `width`, the values kept whole do not tile the lines that
// keep them, or a line's unused bytes are not zero: nothing a writer makes. With a `backing`
// that keeps `bytes` alive, the lines and values are read in place where the processor reads
// them as they lie.
// With `sums`, the lines and values are summed there as the check passes over them.
OffsetArray read_offset_lines(std::span<const std::uint8_t> bytes, std::size_t at,
                              OffsetArray::Width width, std::size_t n, std::size_t lines,
                              std::size_t values, const std::shared_ptr<const void>& backing,
                              std::string_view layout, PieceSums* sums = nullptr);

// Where the values of a line kept whole begin among the values.
std::uint32_t apart_first(const OffsetArray::Line& line) noexcept;

}  // namespace brindlemap::serial
