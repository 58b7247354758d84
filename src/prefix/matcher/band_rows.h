// The row storage of the band walk: one row per depth on the current path, each keeping only
// the band of entries that can lie within max_dist, and the path's characters by depth.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <span>
#include <vector>

#include "prefix/matcher/band_buffers.h"

namespace brindlemap::band_walk {

// Entry i of a row at depth k pays for k - i characters of the word left out, or for i - k typed
// beyond it, so only the band of entries i from k - deeper to k + further can be within max_dist
// (the row rule says how far each side reaches); the others stand at max_dist + 1 without being
// computed. Each row keeps its band and one entry past its end, where the child reads that bound.
//
// When the band is narrower than the query, a row at depth k keeps entries k - deeper to
// k + further + 1 in its deeper + further + 2 slots: slot j is the entry of diagonal j - deeper,
// the same slot at every depth. Otherwise rows are whole, slot i holding entry i.
template <class Entry>
class BandRows {
  public:
    // Rows for a query of n code points whose bands reach `deeper` and `further` from the
    // diagonal, on a trie whose deepest node is at `max_depth`, kept in `buffers`.
    BandRows(std::size_t n, Entry deeper, Entry further, std::size_t max_depth,
             WalkBuffers& buffers)
        : banded_(std::uint64_t{deeper} + further + 2 < n + 1),
          width_(banded_ ? std::size_t{deeper} + further + 2 : n + 1),
          step_(banded_ ? width_ - 1 : width_),
          offset_(banded_ ? deeper : 0),
          // The deepest row a walk can need is that of depth n + deeper + 1.
          reachable_(static_cast<std::size_t>(
              std::min<std::uint64_t>(max_depth, n + std::uint64_t{deeper} + 1))),
          buffers_(buffers) {
        // Held by value while the walk lasts, as the hot loops read them best.
        rows_.swap(buffers.rows<Entry>());
        path_.swap(buffers.path);
        rows_.clear();
        path_.clear();
        // Most walks stop far short of the deepest row: the rows grow with the depth reached,
        // from a first allocation of kInitialDepths rows at most, and of kInitialBytes at most
        // beyond the first two.
        const std::size_t first_depths =
            std::clamp<std::size_t>(kInitialBytes / (width_ * sizeof(Entry)), 2, kInitialDepths);
        grow(std::min(reachable_, first_depths - 1));
    }

    ~BandRows() {
        rows_.swap(buffers_.rows<Entry>());
        path_.swap(buffers_.path);
    }
    BandRows(const BandRows&) = delete;
    BandRows& operator=(const BandRows&) = delete;

    // Whether rows keep their band only, and how many slots each has.
    bool banded() const noexcept { return banded_; }
    std::size_t width() const noexcept { return width_; }

    // The row at `depth`, placed so that entry i is at row(depth)[i]: banded rows start
    // depth - deeper entries before their first slot, and that address lies within the
    // buffer for every entry of the band. The row above is `step()` entries before it.
    Entry* row(std::size_t depth) noexcept { return rows_.data() + (depth * step_ + offset_); }
    std::size_t step() const noexcept { return step_; }

    // The characters of the current path, by depth: the node at depth k carries path()[k - 1].
    char32_t* path() noexcept { return path_.data(); }
    std::span<const char32_t> path(std::size_t depth) const noexcept {
        return std::span(path_).first(depth);
    }

    // Makes room for the rows down to `depth` and the path's characters above it.
    void reserve(std::size_t depth) {
        if (depth >= depths_) [[unlikely]]
            grow(depth);
    }

  private:
    static constexpr std::size_t kInitialDepths = 64;
    static constexpr std::size_t kInitialBytes = std::size_t{1} << 20;

    [[gnu::noinline]] void grow(std::size_t depth) {
        const std::size_t depths = std::max(depth + 1, std::min(2 * depths_, reachable_ + 1));
        if (width_ > std::numeric_limits<std::size_t>::max() / sizeof(Entry) / depths)
            throw std::bad_alloc();
        rows_.resize(depths * width_);
        path_.resize(depths);
        depths_ = depths;
    }

    bool banded_;
    std::size_t width_;          // slots per row
    std::size_t step_, offset_;  // where rows stand: see row()
    std::size_t reachable_;      // the deepest depth a row may be needed at
    std::size_t depths_ = 0;     // the depths rows_ has room for
    WalkBuffers& buffers_;       // where rows_ and path_ go back to
    std::vector<Entry> rows_;    // the row of the node on the current path at each depth
    std::vector<char32_t> path_;
};

}  // namespace brindlemap::band_walk
