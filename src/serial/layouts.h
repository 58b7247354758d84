// The layouts that index files hold a trie in, each as the three calls that size, write and
// read it, so that a caller picks one and treats both alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "prefix/trie/trie.h"
#include "serial/flat.h"
#include "serial/packed.h"

namespace brindlemap::serial {

struct Layout {
    std::size_t (*size)(const Trie&);
    void (*write)(const Trie&, std::span<std::uint8_t>);
    // The trie of the bytes; with a backing that keeps them alive, it may read them in place.
    Trie (*read)(std::span<const std::uint8_t>, std::shared_ptr<const void>);
};

inline constexpr Layout kFlat{
    flat_size, write_flat,
    [](std::span<const std::uint8_t> bytes, std::shared_ptr<const void>) { return read_flat(bytes); }};
inline constexpr Layout kPacked{packed_size, write_packed, read_packed};

}  // namespace brindlemap::serial
