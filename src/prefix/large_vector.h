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

// `n` items, each `value`. Below two huge pages, or where the system has no such advice, a
// plain vector; the advice is a hint, and a system that declines it changes nothing else.
template <class T>
std::vector<T> large_vector(std::size_t n, const T& value = T()) {
    std::vector<T> items;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (n >= 2 * kHugePage / sizeof(T)) {
        items.reserve(n);  // nothing touched yet: the advice comes before the first fault
        const auto begin = reinterpret_cast<std::uintptr_t>(items.data());
        const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t last = (begin + n * sizeof(T)) & ~(kHugePage - 1);
        if (last > first)
            (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (n >= kPopulated / sizeof(T)) {
        items.reserve(n);
        const auto begin = reinterpret_cast<std::uintptr_t>(items.data());
        const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
        const std::uintptr_t last = (begin + n * sizeof(T)) & ~(kPage - 1);
        if (last > first)
            (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    }
#endif
    items.resize(n, value);
    return items;
}

}  // namespace brindlemap
