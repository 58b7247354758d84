// The layouts that index files hold a trie in, each as the three calls that size, write and
// read it, so that a caller picks one and treats both alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "prefix/trie/trie.h"
#include "serial/flat.h"
#include "serial/packed.h"

namespace brindlemap::serial {

struct Layout {
    std::size_t (*size)(const Trie&);
    void (*write)(const Trie&, std::span<std::uint8_t>);
    Trie (*read)(std::span<const std::uint8_t>);
};

inline constexpr Layout kFlat{flat_size, write_flat, read_flat};
inline constexpr Layout kPacked{packed_size, write_packed, read_packed};

}  // namespace brindlemap::serial
