// A cursor over a serialized trie that reads its integers, tags and characters front to back,
// failing at the first read the remaining bytes cannot satisfy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "serial/decode_failure.h"
#include "serial/varint.h"

namespace brindlemap::serial {

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) noexcept
        : position_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    std::size_t remaining() const noexcept { return static_cast<std::size_t>(end_ - position_); }

    // The single-byte form is inlined; the rest takes the out-of-line path.
    std::uint64_t read_u64() {
        if (position_ != end_ && *position_ <= kLargestSingleByte) return *position_++;
        return read_varint_slow(IntegerType::u64);
    }
    std::uint32_t read_u32() {
        if (position_ != end_ && *position_ <= kLargestSingleByte) return *position_++;
        return static_cast<std::uint32_t>(read_varint_slow(IntegerType::u32));
    }

    std::optional<char32_t> read_optional_char() {
        if (remaining() >= 2 && position_[0] == 1 && position_[1] < 0x80) {
            char32_t ascii = position_[1];
            position_ += 2;
            return ascii;
        }
        if (read_tag("core::option::Option<char>") == 0) return std::nullopt;
        return read_char();
    }

    std::optional<std::uint32_t> read_optional_u32() {
        if (read_tag("core::option::Option<u32>") == 0) return std::nullopt;
        return read_u32();
    }

  private:
    // 0 or 1; any other byte is refused as a variant of `type_name`.
    std::uint8_t read_tag(std::string_view type_name) {
        if (position_ == end_) fail_unexpected_end(1);
        std::uint8_t tag = *position_;
        if (tag > 1) fail_unexpected_variant(type_name, tag);
        ++position_;
        return tag;
    }

    std::uint64_t read_varint_slow(IntegerType width);
    char32_t read_char();

    const std::uint8_t* position_;
    const std::uint8_t* end_;
};

}  // namespace brindlemap::serial
