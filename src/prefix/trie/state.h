// State: the per-node bag of named, type-tagged values that a walk hands to its agent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace brindlemap {

class State {
public:
    using Characters = std::vector<char32_t>;
    using Integers = std::vector<std::uint64_t>;

    // The value types a State can hold; the variant's index is the type tag.
    template <class T>
    static constexpr bool kStorable = std::is_same_v<T, Characters> || std::is_same_v<T, Integers>;

    // Stores `value` under `key`, releasing whatever the key held before, of whatever type.
    template <class T>
        requires kStorable<T>
    void put(std::string key, T value) {
        if (Entry* entry = find(key)) {
            entry->value = std::move(value);
            return;
        }
        Entry& entry = spare_entry(key);
        entry.key = std::move(key);
        entry.value = std::move(value);
    }

    // Like put with an empty value, filled in place by the caller: the buffer the slot held
    // before is kept, so a recycled State refills its rows and texts without allocating.
    // Invalidates references returned earlier by get or put_in_place.
    template <class T>
        requires kStorable<T>
    T& put_in_place(std::string_view key) {
        Entry* entry = find(key);
        if (entry == nullptr) {
            entry = &spare_entry(key);
            entry->key.assign(key);
        }
        if (T* held = std::get_if<T>(&entry->value)) {
            held->clear();
            return *held;
        }
        return entry->value.template emplace<T>();
    }

    // The value under `key` if it is present with type T; null when the key is missing or holds
    // another type.
    template <class T>
        requires kStorable<T>
    const T* get(std::string_view key) const noexcept {
        for (std::size_t i = 0; i < size_; ++i)
            if (entries_[i].key == key) return std::get_if<T>(&entries_[i].value);
        return nullptr;
    }

    // Empties the bag. Entries stay allocated as spares, keys and buffers included, for reuse.
    void clear() noexcept { size_ = 0; }

private:
    struct Entry {
        std::string key;
        std::variant<Characters, Integers> value;
    };

    Entry* find(std::string_view key) noexcept {
        for (std::size_t i = 0; i < size_; ++i)
            if (entries_[i].key == key) return &entries_[i];
        return nullptr;
    }

    // A slot for a new key: the spare that held this key before when there is one (its buffer
    // has the right type and size), else any spare, else a new entry.
    Entry& spare_entry(std::string_view key) {
        if (size_ == entries_.size()) {
            entries_.emplace_back();
            return entries_[size_++];
        }
        for (std::size_t i = size_; i < entries_.size(); ++i) {
            if (entries_[i].key == key) {
                if (i != size_) std::swap(entries_[i], entries_[size_]);
                break;
            }
        }
        return entries_[size_++];
    }

    std::vector<Entry> entries_;  // [0, size_) are live, the rest spares
    std::size_t size_ = 0;
};

}  // namespace brindlemap
