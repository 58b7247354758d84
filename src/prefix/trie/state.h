// State: the per-node bag of named, type-tagged values that a walk hands to its agent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// Lookups run several times per visited node with constant keys: inlined, the key's length is
// known and its comparison is a few loads instead of a call to memcmp.
#define BRINDLEMAP_INLINE [[gnu::always_inline]] inline

namespace brindlemap {

// A node's text, held by reference to the path its walk keeps by depth: the text's length and
// its last character. The characters above it are those of the node's ancestors.
struct TextRef {
    std::size_t depth;
    char32_t last;
};

// A distance row, held by reference to the slot where its walk keeps it.
struct RowRef {
    std::size_t slot;
};

class State {
  public:
    // The value types a State can hold; the variant's index is the type tag. References keep a
    // State small whatever the length of the text and row it stands for.
    template <class T>
    static constexpr bool kStorable = std::is_same_v<T, TextRef> || std::is_same_v<T, RowRef>;

    // Stores `value` under `key`, replacing whatever the key held before, of whatever type.
    // The State keeps its own copy of the key.
    template <class T>
        requires kStorable<T>
    BRINDLEMAP_INLINE void put(std::string_view key, T value) {
        Entry* entry = find(key);
        if (entry == nullptr) entry = &new_entry(key);
        entry->value = value;
    }

    // The value under `key` if it is present with type T; null when the key is missing or holds
    // another type.
    template <class T>
        requires kStorable<T>
    BRINDLEMAP_INLINE const T* get(std::string_view key) const noexcept {
        for (std::size_t i = 0; i < size_; ++i)
            if (same_key(entries_[i].key, key)) return std::get_if<T>(&entries_[i].value);
        return nullptr;
    }

    // Empties the bag. Entries stay allocated as spares, keys included, for reuse.
    void clear() noexcept { size_ = 0; }

  private:
    struct Entry {
        std::string key;
        std::variant<TextRef, RowRef> value;
    };

    // Lengths first: keys of different lengths, the usual miss, cost no byte comparison.
    BRINDLEMAP_INLINE static bool same_key(const std::string& stored,
                                           std::string_view key) noexcept {
        return stored.size() == key.size() &&
               std::memcmp(stored.data(), key.data(), key.size()) == 0;
    }

    BRINDLEMAP_INLINE Entry* find(std::string_view key) noexcept {
        for (std::size_t i = 0; i < size_; ++i)
            if (same_key(entries_[i].key, key)) return &entries_[i];
        return nullptr;
    }

    // An entry for a key not yet present. A State refilled by the same agent meets its keys in
    // the same order, so the next spare usually held this very key: that case stays inline.
    BRINDLEMAP_INLINE Entry& new_entry(std::string_view key) {
        if (size_ < entries_.size() && same_key(entries_[size_].key, key)) return entries_[size_++];
        return new_entry_slow(key);
    }

    // Another spare that held the key, else any spare, else a new entry.
    [[gnu::noinline]] Entry& new_entry_slow(std::string_view key) {
        for (std::size_t i = size_ + 1; i < entries_.size(); ++i) {
            if (same_key(entries_[i].key, key)) {
                std::swap(entries_[i], entries_[size_]);
                return entries_[size_++];
            }
        }
        if (size_ == entries_.size()) entries_.emplace_back();
        Entry& entry = entries_[size_++];
        entry.key.assign(key);
        return entry;
    }

    std::vector<Entry> entries_;  // [0, size_) are live, the rest spares
    std::size_t size_ = 0;
};

}  // namespace brindlemap

#undef BRINDLEMAP_INLINE
