// Compact per-node arrays of optional values: an absent character or payload costs no more
// than a present one, and every character and every 32-bit payload, 0 included, stays present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace brindlemap {

// Unicode scalar values stop at U+10FFFF, so any larger code marks an absent character.
class CharArray {
  public:
    static constexpr char32_t kAbsent = 0xFFFFFFFFu;

    CharArray() = default;
    // `n` absent characters, for a builder that fills them in out of order with set().
    explicit CharArray(std::size_t n) : codes_(n, kAbsent) {}
    // The stored codes as they are, kAbsent for an absent character: for a reader of arrays
    // laid out flat, which has checked them.
    explicit CharArray(std::vector<char32_t> codes) noexcept : codes_(std::move(codes)) {}

    std::size_t size() const noexcept { return codes_.size(); }
    bool empty() const noexcept { return codes_.empty(); }
    void reserve(std::size_t n) { codes_.reserve(n); }
    void push_back(std::optional<char32_t> c) { codes_.push_back(c ? *c : kAbsent); }
    void set(std::size_t i, char32_t c) noexcept { codes_[i] = c; }

    std::optional<char32_t> operator[](std::size_t i) const noexcept {
        char32_t c = codes_[i];
        if (c == kAbsent) return std::nullopt;
        return c;
    }
    // The stored code, kAbsent for an absent character: lets hot loops skip the optional.
    char32_t raw(std::size_t i) const noexcept { return codes_[i]; }
    // The stored codes of the entries [first, last).
    std::span<const char32_t> raw_span(std::size_t first, std::size_t last) const noexcept {
        return std::span(codes_).subspan(first, last - first);
    }

    friend bool operator==(const CharArray&, const CharArray&) = default;

  private:
    std::vector<char32_t> codes_;
};

// Every u32 value is a valid payload, so presence is kept apart, one bit per node.
class PayloadArray {
  public:
    PayloadArray() = default;
    // `n` absent payloads, for a builder that fills them in out of order with set().
    explicit PayloadArray(std::size_t n) : values_(n), present_((n + 63) / 64) {}
    // The arrays as values() and presence() give them, for a reader of arrays laid out flat
    // that has checked them: a value of 0 where no payload is, no presence bit past the end.
    PayloadArray(std::vector<std::uint32_t> values, std::vector<std::uint64_t> present) noexcept
        : values_(std::move(values)), present_(std::move(present)) {}

    std::size_t size() const noexcept { return values_.size(); }
    bool empty() const noexcept { return values_.empty(); }
    void reserve(std::size_t n) {
        values_.reserve(n);
        present_.reserve((n + 63) / 64);
    }
    void push_back(std::optional<std::uint32_t> payload) {
        std::size_t i = values_.size();
        if (i % 64 == 0) present_.push_back(0);
        values_.push_back(payload.value_or(0));
        if (payload) present_[i / 64] |= std::uint64_t{1} << (i % 64);
    }
    void set(std::size_t i, std::uint32_t payload) noexcept {
        values_[i] = payload;
        present_[i / 64] |= std::uint64_t{1} << (i % 64);
    }

    bool has(std::size_t i) const noexcept { return (present_[i / 64] >> (i % 64)) & 1u; }
    std::optional<std::uint32_t> operator[](std::size_t i) const noexcept {
        if (!has(i)) return std::nullopt;
        return values_[i];
    }

    // Each node's value, 0 where it has none, and the presence bits, node i's being bit i % 64
    // of word i / 64.
    std::span<const std::uint32_t> values() const noexcept { return values_; }
    std::span<const std::uint64_t> presence() const noexcept { return present_; }

    friend bool operator==(const PayloadArray&, const PayloadArray&) = default;

  private:
    std::vector<std::uint32_t> values_;
    std::vector<std::uint64_t> present_;
};

}  // namespace brindlemap
