// What the walk targets make of their input: queries read from a fixed header, a reference edit
// distance, and well-formed tries built from word lists.
//
// The header holds three queries of five bytes each and one byte of flags:
//   query byte 0: bits 0-1 max_dist (0 to 3), bits 2-4 the query's length (0 to 7), bits 5-7
//                 the limit (0 to 6; 7 means none);
//   query bytes 1-4: its characters, repeated for longer queries. A byte below 0x80 is that
//                 character; from 0x80 on, the character of node (byte - 0x80) modulo the
//                 node count, or U+00E9 where that node has none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "prefix/matcher/edit_costs.h"
#include "prefix/trie/trie.h"

namespace brindlemap::fuzz {

constexpr std::size_t kHeader = 16;
constexpr std::size_t kQueries = 3;

// An input: its header, zero-filled when the input is shorter, and the bytes after it.
struct WalkInput {
    std::array<std::uint8_t, kHeader> header;
    std::span<const std::uint8_t> rest;
};

WalkInput split_input(const std::uint8_t* data, std::size_t size);

struct Query {
    std::vector<char32_t> characters;
    std::uint64_t max_dist;
    std::optional<std::uint64_t> limit;
};

// Query q (0 to kQueries - 1) of the header.
Query query_from(std::span<const std::uint8_t, kHeader> header, std::size_t q, const Trie& trie);

std::uint64_t levenshtein(std::span<const char32_t> a, std::span<const char32_t> b);
// Optimal string alignment: Levenshtein plus the swap of two adjacent characters.
std::uint64_t osa(std::span<const char32_t> a, std::span<const char32_t> b);

// Weighted costs made from the header: each plain cost 1 to 4, a doubled and an undoubled letter
// 1 to 4 or none, and a cost of 1 to 4 for typing each character of the first query for the
// character of the second at the same place, and for the first query's first character typed
// or left out. Queries under them count max_dist in threes (kWeightedScale).
EditCosts costs_from(std::span<const std::uint8_t, kHeader> header);
constexpr std::uint64_t kWeightedScale = 3;

// The weighted distance from `typed` to `word` under `costs`, as a plain table.
std::uint64_t weighted(std::span<const char32_t> typed, std::span<const char32_t> word,
                       const EditCosts& costs);

// The trie of the words in `bytes`, separated by 0xFF, each with its position as payload; it
// passes the shape check. Bytes below 0x80 stand for themselves, 0x80 to 0xBF for the letters
// from U+00E0 on and 0xC0 to 0xFD for characters from U+1F600 on; 0xFE and the byte after it
// for one of 256 characters from U+4E00 on, so that a list may hold more characters than one
// byte has values. Nodes are numbered level by level unless `depth_first`, and siblings stored
// in code-point order unless `reversed`.
Trie trie_of_words(std::span<const std::uint8_t> bytes, bool depth_first, bool reversed);

}  // namespace brindlemap::fuzz
