// The layouts that index files hold a trie in, each as the three calls that size, write and
// read it, so that a caller picks one and treats both alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>

#include "prefix/trie/trie.h"
#include "serial/flat.h"
#include "serial/packed.h"
#include "serial/piece_sums.h"

namespace brindlemap::serial {

struct Layout {
    std::size_t (*size)(const Trie&);
    void (*write)(const Trie&, std::span<std::uint8_t>);
    // The trie of the bytes; with a backing that keeps them alive, it may read them in place.
    // With sums, it may sum the bytes there as it reads them (what it leaves is summed at the
    // end).
    Trie (*read)(std::span<const std::uint8_t>, std::shared_ptr<const void>, PieceSums*);
};

inline constexpr Layout kFlat{
    flat_size, write_flat,
    [](std::span<const std::uint8_t> bytes, std::shared_ptr<const void>, PieceSums*) {
        return read_flat(bytes);
    }};
// Packed, the children found by shifts stored in lines (index files of format 5) or by runs of
// children (format 4); each reader refuses the other.
inline constexpr Layout kPacked{
    [](const Trie& trie) { return packed_size(trie, Children::lines); },
    [](const Trie& trie, std::span<std::uint8_t> out) {
        write_packed(trie, out, Children::lines);
    },
    [](std::span<const std::uint8_t> bytes, std::shared_ptr<const void> backing,
       PieceSums* sums) { return read_packed(bytes, std::move(backing), Children::lines, sums); }};
inline constexpr Layout kPackedRuns{
    [](const Trie& trie) { return packed_size(trie, Children::runs); },
    [](const Trie& trie, std::span<std::uint8_t> out) { write_packed(trie, out, Children::runs); },
    [](std::span<const std::uint8_t> bytes, std::shared_ptr<const void> backing,
       PieceSums* sums) { return read_packed(bytes, std::move(backing), Children::runs, sums); }};

}  // namespace brindlemap::serial
