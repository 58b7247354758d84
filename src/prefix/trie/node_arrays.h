// Compact per-node arrays: where each node's children begin, and its parent, as 16-bit offsets
// where they fit, characters as one-byte codes where a trie has few, payloads kept only for the
// nodes that carry one; every 32-bit value, every character and every payload can be stored.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

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

// 32-bit values of which those of each block of kBlock nodes seldom span more than 16 bits: where
// each node's run of children begins (shifts grow by each node's count of children); numbered
// level by level, each node's parent, and its place in code-point order (both grow along a
// level); the least payload under each node where payloads follow the words' order. Each block
// then keeps a 32-bit base, its least value, and each node a 16-bit offset from it: half the
// memory of 32-bit values, and half the cache lines a walk reads. A block that spans more keeps
// its values whole, apart; where most do, they all stay whole.
class OffsetArray {
  public:
    static constexpr std::size_t kBlock = 64;

    OffsetArray() = default;
    // The values as they are; compact() narrows them.
    explicit OffsetArray(std::vector<std::uint32_t> values) noexcept : wide_(std::move(values)) {}
    // Each block's base and each node's offset from it: for a reader that has made them.
    OffsetArray(std::span<const std::uint32_t> bases, std::vector<std::uint16_t> offsets);

    std::size_t size() const noexcept { return compact_ ? offsets_.size() : wide_.size(); }
    bool empty() const noexcept { return size() == 0; }
    // For builders, before compact(): a compact array takes no more values.
    void reserve(std::size_t n) { wide_.reserve(n); }
    void push_back(std::uint32_t value) { wide_.push_back(value); }

    // Keeps the values as offsets from their block's base, but for the blocks that span more,
    // unless most do.
    void compact();

    std::uint32_t operator[](std::size_t i) const noexcept {
        if (!compact_) return wide_[i];
        const Block block = blocks_[i / kBlock];
        if (block.apart != kNotApart) [[unlikely]]
            return apart_[block.apart + i % kBlock];
        return block.base + offsets_[i];
    }
    // Where node i's value lies, for a walk that fetches it ahead of its reads.
    const void* address(std::size_t i) const noexcept {
        return compact_ ? static_cast<const void*>(offsets_.data() + i)
                        : static_cast<const void*>(wide_.data() + i);
    }

    friend bool operator==(const OffsetArray& a, const OffsetArray& b) noexcept;

  private:
    static constexpr std::uint32_t kNotApart = 0xFFFFFFFFu;
    struct Block {
        std::uint32_t base;   // the block's least value
        std::uint32_t apart;  // where its values begin in apart_, kNotApart for offsets
    };

    std::vector<std::uint32_t> wide_;     // until compact()
    std::vector<Block> blocks_;
    std::vector<std::uint16_t> offsets_;  // offsets_[i]: node i's value less its block's base
    std::vector<std::uint32_t> apart_;    // the values of the blocks that span more, whole
    bool compact_ = false;
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
    // alphabet[k - 1] and 0 for none: for a reader that has checked every code.
    CharArray(std::vector<std::uint8_t> codes, std::span<const char32_t> alphabet) noexcept;

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
    std::vector<std::uint8_t> codes_;
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
    // From the presence bits and the values of the nodes they mark, in node order: for a
    // reader that has checked that there are as many values as bits.
    static PayloadArray of_carried(std::size_t n, std::vector<std::uint64_t> present,
                                   std::vector<std::uint32_t> carried);

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
        present_[i / 64] |= std::uint64_t{1} << (i % 64);
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
    std::vector<std::uint32_t> carried_;
    std::vector<std::uint64_t> present_;
    std::vector<std::uint32_t> ranks_;  // ranks_[w]: the bits set in present_[0, w)
};

}  // namespace brindlemap
