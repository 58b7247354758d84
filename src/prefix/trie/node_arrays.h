// Compact per-node arrays: 32-bit values that grow slowly from node to node (where each node's
// children begin, its parent) as one-byte offsets in lines, characters as one-byte codes where a
// trie has few, payloads kept only for the nodes that carry one; every 32-bit value, every
// character and every payload can be stored.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "prefix/stored.h"

namespace brindlemap {

// Counts the bits set in `bits`. std::popcount compiles to a call into the compiler's runtime
// library unless the build may assume the instruction; this is a handful of inline operations
// either way, for the rank of a payload read on every accepted node.
constexpr unsigned bits_set(std::uint64_t bits) noexcept {
#if defined(__POPCNT__)
    return static_cast<unsigned>(std::popcount(bits));
#else
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<unsigned>((bits * 0x0101010101010101u) >> 56);
#endif
}

// 32-bit values of which those of a few dozen consecutive nodes seldom span more than 8 or 16
// bits: where each node's run of children begins (shifts grow by each node's count of
// children); numbered level by level, each node's parent, and its place in code-point order
// (both grow along a level); the least payload under each node where payloads follow the
// words' order. They are kept in cache lines of 64 bytes, each a 32-bit base (the least value
// of its nodes) and then a one-byte offset from it for each of 60 nodes, or a two-byte offset
// for each of 30, whichever takes less memory: a value is read from one line. A line whose
// nodes span more keeps their values whole, apart; where that would cost more than it saves,
// every value stays whole.
class OffsetArray {
  public:
    // How the values are kept: whole, or in lines of one-byte or of two-byte offsets.
    enum class Width : std::uint8_t { whole, byte, half };
    static constexpr std::uint32_t kByteNodes = 60, kHalfNodes = 30;
    static constexpr std::uint32_t kApart = 0xFFFFFFFFu;
    struct alignas(64) Line {
        std::uint32_t base;  // kApart where the line's values are kept apart
        std::array<std::uint8_t, kByteNodes> rest;  // offsets, or where the values apart begin
    };
    static_assert(sizeof(Line) == 64);
    // The line of values kept apart whose first is apart value `first`.
    static Line apart_line(std::size_t first) noexcept {
        Line line{kApart, {}};
        const auto at = static_cast<std::uint32_t>(first);
        std::memcpy(line.rest.data(), &at, sizeof at);
        return line;
    }

    OffsetArray() = default;
    // The values as they are; compact() narrows them.
    explicit OffsetArray(std::vector<std::uint32_t> values) noexcept : whole_(std::move(values)) {}
    // `n` values in lines of one-byte offsets, the values of the lines marked kApart in
    // `apart`: for a reader that has made them.
    OffsetArray(std::size_t n, std::vector<Line> lines, std::vector<std::uint32_t> apart) noexcept
        : size_(n), lines_(std::move(lines)), apart_(std::move(apart)), width_(Width::byte) {}
    // `n` values kept in `width`, owned or read in place: for a reader that has checked that
    // the lines are as many as the values take and that the values of each line kept apart
    // lie within `apart` (for Width::whole, no lines, and the `n` values in `apart`).
    static OffsetArray kept(Width width, std::size_t n, Stored<Line> lines,
                            Stored<std::uint32_t> apart) noexcept {
        OffsetArray array;
        if (width == Width::whole) {
            array.whole_ = std::move(apart);
        } else {
            array.lines_ = std::move(lines);
            array.apart_ = std::move(apart);
        }
        array.size_ = n;
        array.width_ = width;
        return array;
    }
    // The values per line of `width`.
    static constexpr std::size_t per_line(Width width) noexcept {
        return width == Width::byte ? kByteNodes : kHalfNodes;
    }

    // How the values are kept, for a writer: the width, the lines and the values kept whole
    // (those of the lines apart, or all of them).
    Width width() const noexcept { return width_; }
    std::span<const Line> lines() const noexcept { return lines_; }
    std::span<const std::uint32_t> whole_values() const noexcept {
        return width_ == Width::whole ? whole_.span() : apart_.span();
    }

    std::size_t size() const noexcept { return width_ == Width::whole ? whole_.size() : size_; }
    bool empty() const noexcept { return size() == 0; }
    // For builders, before compact(): a compact array takes no more values.
    void reserve(std::size_t n) { whole_.reserve(n); }
    void push_back(std::uint32_t value) { whole_.push_back(value); }

    // Keeps the values in lines of offsets, in the width that takes least memory, but for the
    // lines whose nodes span more.
    void compact();
    // The same in lines of `width` (byte or half), whatever they cost: for a file layout that
    // fixes the width.
    void compact_to(Width width);

    // Node ids are 32-bit, so the lines are found by 32-bit division, the cheaper.
    std::uint32_t operator[](std::size_t i) const noexcept {
        const auto node = static_cast<std::uint32_t>(i);
        if (width_ == Width::byte) {
            const std::uint32_t l = node / kByteNodes, k = node - l * kByteNodes;
            const Line& line = lines_[l];
            if (line.base == kApart) [[unlikely]]
                return apart_at(line, k);
            return line.base + line.rest[k];
        }
        if (width_ == Width::half) {
            const std::uint32_t l = node / kHalfNodes, k = node - l * kHalfNodes;
            const Line& line = lines_[l];
            if (line.base == kApart) [[unlikely]]
                return apart_at(line, k);
            std::uint16_t offset;
            std::memcpy(&offset, line.rest.data() + 2 * k, sizeof offset);
            return line.base + offset;
        }
        return whole_[i];
    }
    // Values i and i + 1 (which must be below the size), read from one line where they share
    // it: where a node's run of children begins and ends.
    std::pair<std::uint32_t, std::uint32_t> pair_at(std::size_t i) const noexcept {
        if (width_ == Width::byte) {
            const auto node = static_cast<std::uint32_t>(i);
            const std::uint32_t l = node / kByteNodes, k = node - l * kByteNodes;
            const Line& line = lines_[l];
            if (k + 1 < kByteNodes && line.base != kApart) [[likely]]
                return {line.base + line.rest[k], line.base + line.rest[k + 1]};
        }
        return {(*this)[i], (*this)[i + 1]};
    }
    // Where node i's value lies, for a walk that fetches it ahead of its reads.
    const void* address(std::size_t i) const noexcept {
        const auto node = static_cast<std::uint32_t>(i);
        if (width_ == Width::byte) return &lines_[node / kByteNodes];
        if (width_ == Width::half) return &lines_[node / kHalfNodes];
        return whole_.data() + i;
    }

    friend bool operator==(const OffsetArray& a, const OffsetArray& b) noexcept;

  private:
    std::uint32_t apart_at(const Line& line, std::size_t k) const noexcept {
        std::uint32_t first;
        std::memcpy(&first, line.rest.data(), sizeof first);
        return apart_[first + k];
    }
    // The lines of the values in `width`, each line's least and most value given.
    void keep(Width width, std::span<const std::uint32_t> least,
              std::span<const std::uint32_t> most);

    Stored<std::uint32_t> whole_;  // the values, where they are kept whole
    std::size_t size_ = 0;
    Stored<Line> lines_;
    Stored<std::uint32_t> apart_;  // the values of the lines that span more, whole
    Width width_ = Width::whole;
};

// Unicode scalar values stop at U+10FFFF, so any larger code marks an absent character. A trie
// seldom holds more than 255 distinct characters: then each node's is kept as a one-byte code
// into the trie's own alphabet (0 for none), a quarter of the memory, read through a table of
// 256 characters that stays in the nearest cache.
class CharArray {
  public:
    static constexpr char32_t kAbsent = 0xFFFFFFFFu;
    static constexpr std::size_t kMostNarrow = 255;

    CharArray() = default;
    // `n` absent characters, for a builder that fills them in out of order with set().
    explicit CharArray(std::size_t n) : wide_(n, kAbsent) {}
    // The stored codes as they are, kAbsent for an absent character: for a reader of arrays
    // laid out flat, which has checked them.
    explicit CharArray(std::vector<char32_t> codes) noexcept : wide_(std::move(codes)) {}
    // One-byte codes into `alphabet` (at most kMostNarrow characters), code k standing for
    // alphabet[k - 1] and 0 for none, owned or read in place: for a reader that has checked
    // every code.
    CharArray(Stored<std::uint8_t> codes, std::span<const char32_t> alphabet) noexcept;

    std::size_t size() const noexcept { return narrow_ ? codes_.size() : wide_.size(); }
    bool empty() const noexcept { return size() == 0; }
    // For builders, before narrow(): a narrow array takes no more characters.
    void reserve(std::size_t n) { wide_.reserve(n); }
    void push_back(std::optional<char32_t> c) { wide_.push_back(c ? *c : kAbsent); }
    void set(std::size_t i, char32_t c) noexcept { wide_[i] = c; }

    // Keeps the characters as one-byte codes where there are few enough distinct ones.
    void narrow();
    // The distinct characters, in increasing order.
    std::vector<char32_t> alphabet() const;

    std::optional<char32_t> operator[](std::size_t i) const noexcept {
        char32_t c = raw(i);
        if (c == kAbsent) return std::nullopt;
        return c;
    }
    // The stored character, kAbsent for an absent one: lets hot loops skip the optional.
    char32_t raw(std::size_t i) const noexcept { return narrow_ ? table_[codes_[i]] : wide_[i]; }

    friend bool operator==(const CharArray& a, const CharArray& b) noexcept;

  private:
    std::vector<char32_t> wide_;
    Stored<std::uint8_t> codes_;
    std::array<char32_t, kMostNarrow + 1> table_{};  // code -> character; 0 -> kAbsent
    bool narrow_ = false;
};

// Every u32 value is a valid payload, so presence is kept apart, one bit per node. Most nodes
// of a trie carry none, so values are kept only for the nodes that do, in node order, and a
// node's value is found by the count of presence bits before it: a word of ranks per 64 nodes.
class PayloadArray {
  public:
    PayloadArray() = default;
    // From each node's value (any where it has none) and the presence bits, node i's being
    // bit i % 64 of word i / 64, none past `values`: for a builder or a reader that has
    // checked them.
    PayloadArray(std::span<const std::uint32_t> values, std::vector<std::uint64_t> present);
    // From the presence bits and the values of the nodes they mark, in node order, owned or
    // read in place: for a reader that has checked that there are as many values as bits.
    static PayloadArray of_carried(std::size_t n, Stored<std::uint64_t> present,
                                   Stored<std::uint32_t> carried);

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    void reserve(std::size_t n) {
        present_.reserve((n + 63) / 64);
        ranks_.reserve((n + 63) / 64);
    }
    void push_back(std::optional<std::uint32_t> payload) {
        const std::size_t i = size_++;
        if (i % 64 == 0) {
            present_.push_back(0);
            ranks_.push_back(static_cast<std::uint32_t>(carried_.size()));
        }
        if (!payload) return;
        carried_.push_back(*payload);
        present_.edit()[i / 64] |= std::uint64_t{1} << (i % 64);
    }

    bool has(std::size_t i) const noexcept { return (present_[i / 64] >> (i % 64)) & 1u; }
    // Node i's value, which it must carry (unchecked).
    std::uint32_t value(std::size_t i) const noexcept {
        const std::uint64_t before = present_[i / 64] & ((std::uint64_t{1} << (i % 64)) - 1);
        return carried_[ranks_[i / 64] + bits_set(before)];
    }
    std::optional<std::uint32_t> operator[](std::size_t i) const noexcept {
        if (!has(i)) return std::nullopt;
        return value(i);
    }
    // Node i's value, 0 where it has none: as the flat layouts write it.
    std::uint32_t value_or_zero(std::size_t i) const noexcept { return has(i) ? value(i) : 0; }

    // The presence bits, node i's being bit i % 64 of word i / 64.
    std::span<const std::uint64_t> presence() const noexcept { return present_; }
    // The values of the nodes that carry one, in node order.
    std::span<const std::uint32_t> carried() const noexcept { return carried_; }

    friend bool operator==(const PayloadArray& a, const PayloadArray& b) noexcept {
        return a.size_ == b.size_ && a.present_ == b.present_ && a.carried_ == b.carried_;
    }

  private:
    void rank();

    std::size_t size_ = 0;
    Stored<std::uint32_t> carried_;
    Stored<std::uint64_t> present_;
    std::vector<std::uint32_t> ranks_;  // ranks_[w]: the bits set in present_[0, w)
};

}  // namespace brindlemap
