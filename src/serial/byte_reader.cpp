// The multi-byte varint forms and the checked UTF-8 decoding of one character.
#include "serial/byte_reader.h"

#include <array>

namespace brindlemap::serial {
namespace {

// Bytes of the character that `first` begins; 0 when no character begins with it.
std::size_t utf8_width(std::uint8_t first) noexcept {
    if (first < 0x80) return 1;
    if (first < 0xC2) return 0;  // continuation bytes and the overlong 0xC0, 0xC1
    if (first < 0xE0) return 2;
    if (first < 0xF0) return 3;
    if (first < 0xF5) return 4;
    return 0;  // would encode beyond U+10FFFF
}

// The scalar value of `width` bytes, or nothing when they are not one well-formed character.
std::optional<char32_t> decode_utf8(const std::uint8_t* bytes, std::size_t width) noexcept {
    if (width == 1) return bytes[0];
    char32_t c = bytes[0] & (0x7Fu >> width);
    for (std::size_t i = 1; i < width; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (bytes[i] & 0x3Fu);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[width]) return std::nullopt;  // overlong
    if (c >= 0xD800 && c <= 0xDFFF) return std::nullopt;
    if (c > 0x10FFFF) return std::nullopt;
    return c;
}

std::uint64_t read_little_endian(const std::uint8_t* bytes, std::size_t size) noexcept {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

std::uint64_t ByteReader::read_varint_slow(IntegerType width) {
    const std::size_t left = remaining();
    if (left == 0) fail_unexpected_end(1);
    const std::uint8_t first = *position_;
    if (first <= kLargestSingleByte) {
        ++position_;
        return first;
    }
    std::size_t total;
    switch (first) {
        case kU16Tag:
            total = 3;
            break;
        case kU32Tag:
            total = 5;
            break;
        case kU64Tag:
            if (width == IntegerType::u32) fail_invalid_integer_type(width, IntegerType::u64);
            total = 9;
            break;
        case kU128Tag:
            fail_invalid_integer_type(width, IntegerType::u128);
        default:
            fail_invalid_integer_type(width, IntegerType::reserved);
    }
    if (left < total) fail_unexpected_end(total - left);
    std::uint64_t value = read_little_endian(position_ + 1, total - 1);
    position_ += total;
    return value;
}

char32_t ByteReader::read_char() {
    const std::size_t left = remaining();
    if (left == 0) fail_unexpected_end(1);
    const std::size_t width = utf8_width(*position_);
    if (width == 0) fail_invalid_char_encoding({*position_, 0, 0, 0});
    if (left < width) fail_unexpected_end(width - left);
    std::optional<char32_t> c = decode_utf8(position_, width);
    if (!c) {
        std::array<std::uint8_t, 4> bytes{};
        for (std::size_t i = 0; i < width; ++i) bytes[i] = position_[i];
        fail_invalid_char_encoding(bytes);
    }
    position_ += width;
    return *c;
}

}  // namespace brindlemap::serial
