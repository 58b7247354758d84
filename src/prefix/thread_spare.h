// Working buffers that each thread keeps from one query to the next, so that a query works in
// memory that is already in the caches and allocates nothing but its answers.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace brindlemap {

// A buffer kept for the next query is emptied, and given back when it grew past this: a huge
// query does not leave its memory behind.
inline constexpr std::size_t kKeptBufferBytes = std::size_t{16} << 10;

template <class T>
void empty_for_keeping(std::vector<T>& buffer) noexcept {
    buffer.clear();
    if (buffer.capacity() * sizeof(T) > kKeptBufferBytes) std::vector<T>().swap(buffer);
}

// A Buffers lent for this object's life: one that this thread handed back before, or a new one.
// Buffers is a struct of buffers whose `empty()` empties them for keeping (empty_for_keeping).
// Walks that run at once on one thread, one within another, each have their own, and threads
// never share one; a thread keeps at most kKept of each kind.
template <class Buffers>
class Spare {
  public:
    Spare() : buffers_(take()) {}
    ~Spare() { give_back(std::move(buffers_)); }
    Spare(const Spare&) = delete;
    Spare& operator=(const Spare&) = delete;

    Buffers& operator*() const noexcept { return *buffers_; }
    Buffers* operator->() const noexcept { return buffers_.get(); }

  private:
    static constexpr std::size_t kKept = 2;

    struct Shelf {
        std::array<std::unique_ptr<Buffers>, kKept> kept;
        std::size_t count = 0;
    };

    static Shelf& shelf() noexcept {
        thread_local Shelf here;
        return here;
    }

    static std::unique_ptr<Buffers> take() {
        Shelf& s = shelf();
        if (s.count == 0) return std::make_unique<Buffers>();
        return std::move(s.kept[--s.count]);
    }

    static void give_back(std::unique_ptr<Buffers> buffers) noexcept {
        buffers->empty();
        Shelf& s = shelf();
        if (s.count < kKept) s.kept[s.count++] = std::move(buffers);
    }

    std::unique_ptr<Buffers> buffers_;
};

}  // namespace brindlemap
