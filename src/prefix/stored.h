// An array that a trie either owns or reads in place from bytes it was handed (an index file
// mapped into memory), kept alive by a `backing` that it shares: a loader need not copy what
// it can read as it lies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace brindlemap {

template <class T>
class Stored {
  public:
    Stored() noexcept = default;
    // The items, owned.
    Stored(std::vector<T> items) noexcept  // NOLINT: implicit, as the vector it holds
        : owned_(std::move(items)), data_(owned_.data()), size_(owned_.size()) {}
    // `items` read in place: they must stay as they are while `backing` lives.
    Stored(std::span<const T> items, std::shared_ptr<const void> backing) noexcept
        : backing_(std::move(backing)), data_(items.data()), size_(items.size()) {}
    Stored(const Stored& other)
        : owned_(other.owned_),
          backing_(other.backing_),
          data_(other.backing_ ? other.data_ : owned_.data()),
          size_(other.size_) {}
    // A vector's items stay where they are when it moves.
    Stored(Stored&& other) noexcept
        : owned_(std::move(other.owned_)),
          backing_(std::move(other.backing_)),
          data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)) {}
    Stored& operator=(Stored other) noexcept {
        owned_.swap(other.owned_);
        backing_.swap(other.backing_);
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }
    ~Stored() = default;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    const T* data() const noexcept { return data_; }
    const T& operator[](std::size_t i) const noexcept { return data_[i]; }
    const T& back() const noexcept { return data_[size_ - 1]; }
    std::span<const T> span() const noexcept { return {data_, size_}; }
    operator std::span<const T>() const noexcept { return span(); }  // NOLINT: as a vector's
    // Whether the items are read in place rather than owned.
    bool borrowed() const noexcept { return backing_ != nullptr; }

    // For builders, on owned items only.
    void reserve(std::size_t n) {
        owned_.reserve(n);
        data_ = owned_.data();
    }
    void push_back(const T& item) {
        owned_.push_back(item);
        data_ = owned_.data();
        size_ = owned_.size();
    }
    T* edit() noexcept { return owned_.data(); }

    friend bool operator==(const Stored& a, const Stored& b) noexcept {
        return std::ranges::equal(a.span(), b.span());
    }

  private:
    std::vector<T> owned_;
    std::shared_ptr<const void> backing_;  // what keeps borrowed items alive; null when owned
    const T* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace brindlemap
