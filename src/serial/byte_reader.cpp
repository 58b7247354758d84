// The multi-byte varint forms and the checked UTF-8 decoding of one character.
#include "serial/byte_reader.h"

#include <array>

#include "prefix/utf8.h"

namespace brindlemap::serial {
namespace {

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
    const std::size_t width = utf8::width_of(*position_);
    if (width == 0) fail_invalid_char_encoding({*position_, 0, 0, 0});
    if (left < width) fail_unexpected_end(width - left);
    std::optional<char32_t> c = utf8::decode_checked(position_, width);
    if (!c) {
        std::array<std::uint8_t, 4> bytes{};
        for (std::size_t i = 0; i < width; ++i) bytes[i] = position_[i];
        fail_invalid_char_encoding(bytes);
    }
    position_ += width;
    return *c;
}

}  // namespace brindlemap::serial
