// The memory a band walk works in: its rows and path, and its fringe's stack and lists, lent by
// the thread (prefix/thread_spare.h) so that a walk starts on warm lines and allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "prefix/thread_spare.h"

namespace brindlemap::band_walk {

struct Pending {
    std::uint32_t node;
    std::uint32_t depth;
};

struct WalkBuffers {
    std::vector<std::uint32_t> narrow_rows;
    std::vector<std::uint64_t> wide_rows;
    std::vector<char32_t> path;
    std::vector<Pending> stack;
    std::vector<char32_t> characters;
    std::vector<char32_t> padded_query;
    std::vector<std::size_t> searched;

    template <class Entry>
    std::vector<Entry>& rows() noexcept {
        if constexpr (std::is_same_v<Entry, std::uint32_t>)
            return narrow_rows;
        else
            return wide_rows;
    }

    void empty() noexcept {
        empty_for_keeping(narrow_rows);
        empty_for_keeping(wide_rows);
        empty_for_keeping(path);
        empty_for_keeping(stack);
        empty_for_keeping(characters);
        empty_for_keeping(padded_query);
        empty_for_keeping(searched);
    }
};

}  // namespace brindlemap::band_walk
