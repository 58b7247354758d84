// UTF-8 encoding and decoding of Unicode scalar values and texts of them, shared by the walks,
// the codec and the boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemap::utf8 {

// Bytes needed to encode `c`, a Unicode scalar value.
constexpr std::size_t encoded_length(char32_t c) noexcept {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Writes the encoding of `c` at `out`; returns the number of bytes written.
inline std::size_t encode(char32_t c, char* out) noexcept {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

inline void append(std::string& out, char32_t c) {
    char buffer[4];
    out.append(buffer, encode(c, buffer));
}

// The encoding of a whole text of code points.
inline std::string encode_all(std::span<const char32_t> characters) {
    std::string text;
    text.reserve(characters.size());
    for (const char32_t c : characters) append(text, c);
    return text;
}

// Decodes the code point at the front of `text`, which must be well-formed UTF-8 (the
// interpreter's own encoding of a str); advances `text` past it.
inline char32_t decode_front(std::string_view& text) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    char32_t c = byte(0);
    std::size_t length = 1;
    if (c >= 0xF0) {
        c = ((c & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) |
            (byte(3) & 0x3F);
        length = 4;
    } else if (c >= 0xE0) {
        c = ((c & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        length = 3;
    } else if (c >= 0xC0) {
        c = ((c & 0x1F) << 6) | (byte(1) & 0x3F);
        length = 2;
    }
    text.remove_prefix(length);
    return c;
}

// Bytes of the character that `first` begins; 0 when no character begins with it.
constexpr std::size_t width_of(std::uint8_t first) noexcept {
    if (first < 0x80) return 1;
    if (first < 0xC2) return 0;  // continuation bytes and the overlong 0xC0, 0xC1
    if (first < 0xE0) return 2;
    if (first < 0xF0) return 3;
    if (first < 0xF5) return 4;
    return 0;  // would encode beyond U+10FFFF
}

// The scalar value of `width` bytes (width_of their first), or nothing when they are not one
// well-formed character: bytes from outside are checked with this before decode_front.
inline std::optional<char32_t> decode_checked(const std::uint8_t* bytes,
                                              std::size_t width) noexcept {
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

// Whether `text` is well-formed UTF-8 of scalar values only (no encoded surrogates).
inline bool is_well_formed(std::string_view text) noexcept {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t width = width_of(bytes[at]);
        if (width == 0 || text.size() - at < width || !decode_checked(bytes + at, width))
            return false;
        at += width;
    }
    return true;
}

// The code points of `text`, well-formed UTF-8: distances count them.
inline std::vector<char32_t> decode_all(std::string_view text) {
    std::vector<char32_t> characters;
    characters.reserve(text.size());
    while (!text.empty()) characters.push_back(decode_front(text));
    return characters;
}

}  // namespace brindlemap::utf8
