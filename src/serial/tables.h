// The tables a trie makes for its ranked queries (the least payload under each node and each
// node's place in word order) laid out for index files, so that a loader reads them in place
// rather than making them on the first `complete` of every process.
//
// Little-endian throughout:
//   u64 nodes (n);
//   for the least payloads and the ranks in turn: u32 width (0 whole, 1 lines of
//     one-byte offsets, 2 lines of two-byte offsets), u32 zero, u64 lines (l), u64 values (v);
//   zeros up to 128 bytes;
//   then for each table in the same order: its l lines and v values as serial/offset_lines.h
//     lays them out, then zeros up to a multiple of 64 bytes.
// Each table's lines thus start a multiple of 64 bytes into the layout, as a mapped file's
// section does, and are read where they lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "prefix/trie/trie.h"
#include "serial/piece_sums.h"

namespace brindlemap::serial {

// How many bytes write_tables writes for `trie`, which must have passed its shape check (its
// tables are made here if no query has made them).
std::size_t tables_size(const Trie& trie);

// Writes the tables of `trie` into `out`, which holds exactly tables_size(trie) bytes.
void write_tables(const Trie& trie, std::span<std::uint8_t> out);

// The tables of bytes in that layout for a trie of `nodes` nodes. Fails with a failure of kind
// bytes_invalid, saying which, for tables of another count of nodes, a width or a count of
// lines that the values do not take, values kept whole that do not tile the lines that keep
// them, or padding that is not zero: nothing a writer makes. Their values themselves can only
// order answers, never fault a query. With a `backing` that keeps `bytes` alive, the lines and
// values are read in place where the processor reads them as they lie. With `sums`, each table's
// bytes are summed there once they are read, while they are still in cache.
RankTables read_tables(std::span<const std::uint8_t> bytes, std::size_t nodes,
                       std::shared_ptr<const void> backing = nullptr, PieceSums* sums = nullptr);

}  // namespace brindlemap::serial
