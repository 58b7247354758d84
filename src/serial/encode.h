// Writing a serialized trie: the exact size first, then the bytes into a buffer of that size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "prefix/trie/trie.h"

namespace brindlemap::serial {

// Bytes that encode_trie writes for `trie`.
std::size_t encoded_size(const Trie& trie) noexcept;

// Writes the four blocks of `trie` in shortest form; `out` holds exactly encoded_size(trie).
void encode_trie(const Trie& trie, std::span<std::uint8_t> out) noexcept;

}  // namespace brindlemap::serial
