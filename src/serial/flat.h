// A trie's arrays laid out flat, as index files hold them: fixed-width items that a reader
// copies (or, later, maps) instead of decoding them one by one.
//
// Little-endian throughout, every array starting at a multiple of 8 bytes from the start:
//   u64 nodes (n, at least 1), u64 stored links (0, or n - 1 when child_indices is stored);
//   u32 node_shifts[n];                                      then zeros up to a multiple of 8
//   u32 characters[n], 0xFFFFFFFF where there is none;       the same
//   u32 payloads[n], 0 where there is none;                  the same
//   u64 presence[(n + 63) / 64], node i's payload present when bit i % 64 of word i / 64 is set;
//   u32 child_indices[stored links];                         then zeros up to a multiple of 8.
// child_indices is left out on the builder's layout, where it is 1, 2, ..., n - 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "prefix/trie/trie.h"

namespace brindlemap::serial {

// How many bytes write_flat writes for `trie`.
std::size_t flat_size(const Trie& trie) noexcept;

// Writes the layout of `trie` into `out`, which holds exactly flat_size(trie) bytes.
void write_flat(const Trie& trie, std::span<std::uint8_t> out) noexcept;

// The trie of bytes in that layout, taken as it is (its shape decides its roads, as for any
// trie). Fails with a failure of kind bytes_invalid, saying which, for a length that does not
// add up, a character that is no Unicode scalar value, a value or bit where no payload is, or
// padding that is not zero: nothing that a writer makes.
Trie read_flat(std::span<const std::uint8_t> bytes);

}  // namespace brindlemap::serial
