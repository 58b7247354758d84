// The variable-length unsigned integers of the serialized trie: their tag bytes, the size of the
// shortest form of a value and the writing of that form.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brindlemap::serial {

inline constexpr std::uint8_t kLargestSingleByte = 250;
inline constexpr std::uint8_t kU16Tag = 251;
inline constexpr std::uint8_t kU32Tag = 252;
inline constexpr std::uint8_t kU64Tag = 253;
inline constexpr std::uint8_t kU128Tag = 254;

// Bytes of the shortest form of `value`: 1, 3, 5 or 9.
constexpr std::size_t varint_size(std::uint64_t value) noexcept {
    return value <= kLargestSingleByte ? 1 : value <= 0xFFFF ? 3 : value <= 0xFFFFFFFF ? 5 : 9;
}

// Writes `size` bytes of `value`, least significant first, whatever the host's byte order.
inline std::uint8_t* write_little_endian(std::uint64_t value, std::size_t size,
                                         std::uint8_t* out) noexcept {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return out + size;
}

// Writes the shortest form of `value` at `out`; returns the position after it.
inline std::uint8_t* write_varint(std::uint64_t value, std::uint8_t* out) noexcept {
    if (value <= kLargestSingleByte) {
        *out = static_cast<std::uint8_t>(value);
        return out + 1;
    }
    if (value <= 0xFFFF) {
        *out = kU16Tag;
        return write_little_endian(value, 2, out + 1);
    }
    if (value <= 0xFFFFFFFF) {
        *out = kU32Tag;
        return write_little_endian(value, 4, out + 1);
    }
    *out = kU64Tag;
    return write_little_endian(value, 8, out + 1);
}

}  // namespace brindlemap::serial
