// The fixed-width little-endian items that the flat and packed layouts are made of: their
// alignment, how they are written and read, and the checks both readers make of them.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "prefix/failure.h"
#include "prefix/large_vector.h"
#include "prefix/stored.h"
#include "prefix/trie/node_arrays.h"

namespace brindlemap::serial {

// Every array of a layout starts at a multiple of this many bytes from its start.
inline constexpr std::size_t kItemAlign = 8;

constexpr std::size_t padded(std::size_t bytes) noexcept {
    return (bytes + kItemAlign - 1) / kItemAlign * kItemAlign;
}

template <class Item>
Item little_endian(Item item) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        return item;
    } else {
        Item swapped{};
        auto* from = reinterpret_cast<const unsigned char*>(&item);
        auto* to = reinterpret_cast<unsigned char*>(&swapped);
        for (std::size_t i = 0; i < sizeof(Item); ++i) to[i] = from[sizeof(Item) - 1 - i];
        return swapped;
    }
}

// Writes items into a layout's bytes, which it first sets to zero: the padding.
class ItemWriter {
  public:
    explicit ItemWriter(std::span<std::uint8_t> out) noexcept : out_(out) {
        std::ranges::fill(out_, std::uint8_t{0});
    }
    // Item `index` of the array that starts `at` bytes in.
    template <class Item>
    void put(std::size_t at, std::size_t index, Item item) noexcept {
        item = little_endian(item);
        std::memcpy(out_.data() + at + sizeof(Item) * index, &item, sizeof(Item));
    }

  private:
    std::span<std::uint8_t> out_;
};

// Item `index` of the array that starts `at` bytes into `bytes`; unchecked, the caller has
// checked the array's place.
template <class Item>
Item item_at(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t index) noexcept {
    Item item;
    std::memcpy(&item, bytes.data() + at + sizeof(Item) * index, sizeof(Item));
    return little_endian(item);
}

// The `count` items that start `at` bytes into `bytes`, copied whole.
template <class Item>
std::vector<Item> items_at(std::span<const std::uint8_t> bytes, std::size_t at,
                           std::size_t count) {
    std::vector<Item> items = large_vector<Item>(count);
    if (count != 0) std::memcpy(items.data(), bytes.data() + at, sizeof(Item) * count);
    if constexpr (std::endian::native != std::endian::little)
        for (Item& item : items) item = little_endian(item);
    return items;
}

// Whether the items of `Item` that start `at` bytes into `bytes` may be read in place, kept
// alive by `backing`: laid out as the processor reads them.
template <class Item>
bool in_place(std::span<const std::uint8_t> bytes, std::size_t at,
              const std::shared_ptr<const void>& backing) noexcept {
    return backing != nullptr && std::endian::native == std::endian::little &&
           reinterpret_cast<std::uintptr_t>(bytes.data() + at) % alignof(Item) == 0;
}

// The `count` items of `Item` that start `at`, read in place where they may be, else copied.
template <class Item>
Stored<Item> stored_at(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count,
                       const std::shared_ptr<const void>& backing) {
    if (!in_place<Item>(bytes, at, backing)) return items_at<Item>(bytes, at, count);
    return Stored<Item>(std::span(reinterpret_cast<const Item*>(bytes.data() + at), count),
                        backing);
}

inline bool zeros(std::span<const std::uint8_t> bytes, std::size_t first,
                  std::size_t last) noexcept {
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(first),
                       bytes.begin() + static_cast<std::ptrdiff_t>(last),
                       [](std::uint8_t b) { return b == 0; });
}

// The last Unicode scalar value.
inline constexpr char32_t kLastScalar = 0x10FFFF;

inline bool scalar_value(char32_t c) noexcept {
    return c <= kLastScalar && (c < 0xD800 || c > 0xDFFF);
}

inline bool scalar_or_absent(char32_t c) noexcept {
    return c == CharArray::kAbsent || scalar_value(c);
}

// Refuses the bytes of a layout named `layout` ("flat trie", say) for the reason `why`.
[[noreturn]] inline void refuse_layout(std::string_view layout, const std::string& why) {
    std::string message(layout);
    message += ": ";
    const std::size_t detail_at = message.size();
    panic(message + why, std::source_location::current(), FailureKind::bytes_invalid, detail_at);
}

}  // namespace brindlemap::serial
