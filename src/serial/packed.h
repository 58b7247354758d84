// A trie's arrays packed for index files: the flat layout's items narrowed to what the trie
// holds, so that a file is smaller and its checksum and checks read fewer bytes.
//
// Little-endian throughout, every array starting at a multiple of 8 bytes from the start:
//   u64 nodes (n, at least 1), u64 stored links (0, or n - 1 when child_indices is stored),
//   u64 payloads (m, the nodes that carry one), u64 wide runs (r) or values kept whole (v),
//   u32 alphabet size (a), u32 code width (w: 1, 2 or 4 bytes), plus 256 where the shifts are
//   stored in lines (see below);
//   where the shifts are stored in lines: zeros up to 64 bytes, then the shifts in lines of
//     one-byte offsets as serial/offset_lines.h lays them out (a line for each 60 nodes, the v
//     values of those that span more than a byte kept whole; node i's children are shifts[i] +
//     1 to shifts[i + 1], to the last node for the last);                 then zeros up to 8
//   u32 alphabet[a], the trie's characters in increasing order;    then zeros up to 8
//   codes[n], w bytes each: 0 where there is no character, k for the alphabet's k-th (from
//     1); with w = 4 the character itself, 0xFFFFFFFF where there is none, and a = 0;  the same
//   where the shifts are not stored: u8 runs[n], each node's count of children, 255 for 255 or
//   more, taken in turn from u32 wide_runs[r], each at least 255 (each then zeros up to 8); a
//   node's run of children starts where the runs before it end;
//   u64 presence[(n + 63) / 64], node i's payload present when bit i % 64 of word i / 64 is set;
//   u32 payloads[m], the values of the nodes that carry one, in node order;   the same
//   u32 child_indices[stored links];                                the same.
// child_indices is left out on the builder's layout, where it is 1, 2, ..., n - 1. Index files
// of format 4 hold the runs, those of format 5 the lines, which are read where they lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "prefix/trie/trie.h"
#include "serial/piece_sums.h"

namespace brindlemap::serial {

// How the children of each node are found: by the runs of children before it, or by its shift
// stored in lines.
enum class Children : std::uint8_t { runs, lines };

// How many bytes write_packed writes for `trie`, which holds one link fewer than nodes (every
// trie that passes the shape check does), its children kept as `children`.
std::size_t packed_size(const Trie& trie, Children children);

// Writes the layout of `trie` into `out`, which holds exactly packed_size(trie, children) bytes.
void write_packed(const Trie& trie, std::span<std::uint8_t> out, Children children);

// The trie of bytes in that layout, taken as it is (its shape decides its roads, as for any
// trie), its children kept as `children`. Fails with a failure of kind bytes_invalid,
// saying which, for a length that does not add up, a character that is no Unicode scalar value
// or out of its alphabet, runs that do not add up to the links or shifts that fall, payload
// bits that are not as many as the payloads, padding that is not zero, or children kept
// otherwise: nothing that a writer of `children` makes. Every pass over the bytes is sequential. With a `backing` that keeps `bytes`
// as they are for as long as it lives (a mapped file's), the codes, shift lines, presence bits
// and payloads are read in place rather than copied, where the processor reads them as they
// are laid out. With `sums`, each part of the bytes is summed there as soon as its pass is
// done, while it is still in cache.
Trie read_packed(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> backing,
                 Children children, PieceSums* sums = nullptr);

}  // namespace brindlemap::serial
