// Reading a serialized trie: its four array blocks, front to back.
#pragma once

#include <cstdint>
#include <span>

#include "prefix/trie/trie.h"

namespace brindlemap::serial {

// The trie the bytes describe, taken as it is; bytes after the fourth block are ignored. Fails with
// the first decode failure met.
Trie decode_trie(std::span<const std::uint8_t> bytes);

}  // namespace brindlemap::serial
