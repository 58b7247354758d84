// The decode failures of a serialized trie, each raised as an internal failure whose message
// carries the failure's debug text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <source_location>
#include <string_view>

namespace brindlemap::serial {

enum class IntegerType { u32, u64, u128, reserved };

[[noreturn]] void fail_unexpected_end(std::size_t additional,
                                      std::source_location where = std::source_location::current());

[[noreturn]] void fail_invalid_integer_type(
    IntegerType expected, IntegerType found,
    std::source_location where = std::source_location::current());

// A tag byte outside 0 to 1 in front of an optional value of `type_name`.
[[noreturn]] void fail_unexpected_variant(
    std::string_view type_name, std::uint32_t found,
    std::source_location where = std::source_location::current());

[[noreturn]] void fail_invalid_char_encoding(
    const std::array<std::uint8_t, 4>& bytes,
    std::source_location where = std::source_location::current());

}  // namespace brindlemap::serial
