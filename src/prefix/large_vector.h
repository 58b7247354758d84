// Vectors of many items whose memory is asked for in huge pages where the system allows: the
// arrays of a trie are written once, end to end, as it loads, and a 2 MiB page is one fault
// where 4 KiB pages are 512.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace brindlemap {

inline constexpr std::size_t kHugePage = std::size_t{2} << 20;
inline constexpr std::size_t kPage = 4096, kPopulated = std::size_t{256} << 10;

#if defined(__linux__)
// Gives `advice` for the whole pages of `unit` bytes within [begin, begin + bytes).
inline void advise_pages(const void* begin, std::size_t bytes, std::size_t unit, int advice) {
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t first = (from + unit - 1) & ~(unit - 1);
    const std::uintptr_t last = (from + bytes) & ~(unit - 1);
    if (last > first) (void)madvise(reinterpret_cast<void*>(first), last - first, advice);
}
#endif

// `n` items, each `value`. From two huge pages on, the memory is asked for in huge pages; from
// kPopulated bytes on, its pages are made in one call rather than a fault at a time. Where the
// system has no such advice, a plain vector: the advice is a hint, and a system that declines
// it changes nothing else.
template <class T>
std::vector<T> large_vector(std::size_t n, const T& value = T()) {
    std::vector<T> items;
#if defined(__linux__)
    if (n >= kPopulated / sizeof(T)) {
        items.reserve(n);  // nothing touched yet: the advice comes before the first fault
#if defined(MADV_HUGEPAGE)
        if (n >= 2 * kHugePage / sizeof(T))
            advise_pages(items.data(), n * sizeof(T), kHugePage, MADV_HUGEPAGE);
#endif
#if defined(MADV_POPULATE_WRITE)
        advise_pages(items.data(), n * sizeof(T), kPage, MADV_POPULATE_WRITE);
#endif
    }
#endif
    items.resize(n, value);
    return items;
}

}  // namespace brindlemap
