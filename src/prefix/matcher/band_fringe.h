// The fringe of the band walk: the nodes still to be visited, on a stack, and which children of
// a node go on it and in what order.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "prefix/matcher/band_buffers.h"
#include "prefix/trie/trie.h"

namespace brindlemap::band_walk {

// Children are pushed so that the one carrying the query's next character is popped first and
// the others follow in stored order. Siblings are distinct, so at most one is.
//
// When a node's least entry equals the collector's bound, a child's entry can stay within it
// only along the diagonal from an entry at the bound, through a character that matches the
// query there (or, with transpositions, a swap from the row above): the other children could be
// neither accepted nor entered, and are left out without computing their rows. The characters
// that can are the node's bound characters.
//
// kBand, when not 0, is the walk's band reach known at compile time (see BandWalk): the entries
// at the bound are then marked in masks over the band rather than listed.
template <class Entry, class Rows, std::size_t kBand>
class Fringe {
  public:
    // `width` is the slots of a row (BandRows::width); a weighted rule may list up to `pairs`
    // more characters for each entry. The fringe is kept in `buffers`.
    Fringe(const Trie& trie, std::span<const char32_t> query, std::size_t width,
           std::size_t pairs, WalkBuffers& buffers)
        : trie_(trie), query_(query), n_(query.size()), buffers_(buffers) {
        // Held by value while the walk lasts, as the hot loops read them best.
        swap_buffers();
        stack_.clear();
        characters_.clear();
        // Two characters at most per entry of a band, the entry past it included, and five
        // per entry of a child's band, with its pairs, where the walk lists them itself.
        characters_.resize((5 + pairs) * (width + 2));
        if constexpr (kBand != 0) {
            padded_query_.assign(n_ + kBandEntries + 2, CharArray::kAbsent);
            std::ranges::copy(query_, padded_query_.begin() + 1);
        }
    }

    ~Fringe() { swap_buffers(); }
    Fringe(const Fringe&) = delete;
    Fringe& operator=(const Fringe&) = delete;

    bool empty() const noexcept { return stack_.empty(); }
    Pending pop() noexcept {
        const Pending next = stack_.back();
        stack_.pop_back();
        return next;
    }

    // Finds the bound characters of the node just visited at `depth` (whose row is `here` and
    // whose character is `own`) when its least entry is `bound`; false when there are none.
    // With a fixed band that lies past the query's start, the entries at the bound are marked
    // in masks over the band's entries, without a branch per entry; otherwise they are listed.
    bool find(const Entry* here, std::size_t depth, Entry bound, Entry deeper, Entry further,
              char32_t own) {
        if constexpr (kBand != 0) {
            if (depth > kBand) {
                in_masks_ = true;
                return find_masks(here, depth, bound, own);
            }
            in_masks_ = false;
        }
        return find_listed(here, depth, bound, deeper, further, own);
    }

    // Where a walk that finds its bound characters itself (a HalfCaps walk) lists them, and
    // where the list ends.
    char32_t* list_begin() noexcept { return characters_.data(); }
    void list_end(const char32_t* end) noexcept {
        listed_ = static_cast<std::size_t>(end - characters_.data());
    }
    bool listed_any() const noexcept { return listed_ != 0; }

    // Pushes the children of a node at `depth`, whose run is [start, end): all of them, or
    // when `at_bound` those that carry a bound character.
    [[gnu::always_inline]] void push_children(std::size_t start, std::size_t end, std::uint32_t depth,
                                              bool at_bound) {
        // Few siblings are cheaper to scan than to search.
        if (at_bound && trie_.shape()->sorted_runs && end - start > kFewSiblings) {
            if (in_masks_) list_masks();
            return push_searched(start, end, depth);
        }
        const bool has_next = depth < n_;
        const char32_t wanted = has_next ? query_[depth] : CharArray::kAbsent;
        std::uint32_t promoted = 0;
        bool found = false;
        const bool breadth_first = trie_.breadth_first();
        // The children's own runs are read when they are visited, soon after: start fetching
        // their line of node_shifts while this node's children are pushed.
        if (breadth_first) __builtin_prefetch(trie_.node_shifts().address(start));
        for (std::size_t p = end; p-- > start;) {
            const std::uint32_t child =
                breadth_first ? static_cast<std::uint32_t>(p + 1) : trie_.child_index(p);
            if (at_bound && !bound_character(trie_.node_strings().raw(child))) continue;
            if (has_next && trie_.node_strings().raw(child) == wanted) {
                promoted = child;
                found = true;
                continue;
            }
            stack_.push_back(Pending{child, depth + 1});
        }
        if (found) stack_.push_back(Pending{promoted, depth + 1});
    }

  private:
    void swap_buffers() noexcept {
        stack_.swap(buffers_.stack);
        characters_.swap(buffers_.characters);
        padded_query_.swap(buffers_.padded_query);
        found_.swap(buffers_.searched);
    }

    static constexpr std::size_t kFewSiblings = 8;
    static constexpr std::ptrdiff_t kBandEntries = 2 * static_cast<std::ptrdiff_t>(kBand) + 1;

    // push_children at the bound on sorted runs: the few children that carry a bound character
    // are found by binary search instead of reading every sibling.
    void push_searched(std::size_t start, std::size_t end, std::uint32_t depth) {
        const bool breadth_first = trie_.breadth_first();
        const auto child_at = [&](std::size_t p) {
            return breadth_first ? static_cast<std::uint32_t>(p + 1) : trie_.child_index(p);
        };
        const auto character_at = [&](std::size_t p) {
            return trie_.node_strings().raw(child_at(p));
        };
        found_.clear();
        for (const char32_t c : listed()) {
            std::size_t first = start, high = end;
            while (first < high) {
                const std::size_t middle = first + (high - first) / 2;
                if (character_at(middle) < c)
                    first = middle + 1;
                else
                    high = middle;
            }
            if (first < end && character_at(first) == c) found_.push_back(first);
        }
        std::sort(found_.begin(), found_.end());
        found_.erase(std::unique(found_.begin(), found_.end()), found_.end());
        // As push_children pushes them: stored order from the top, the query's next character
        // first of all.
        const char32_t wanted = depth < n_ ? query_[depth] : CharArray::kAbsent;
        std::optional<std::uint32_t> promoted;
        for (auto it = found_.rbegin(); it != found_.rend(); ++it) {
            if (character_at(*it) == wanted) {
                promoted = child_at(*it);
                continue;
            }
            stack_.push_back(Pending{child_at(*it), depth + 1});
        }
        if (promoted) stack_.push_back(Pending{*promoted, depth + 1});
    }

    // Lists the bound characters. The buffer has room for two characters per entry of a row,
    // so it is written without checks.
    bool find_listed(const Entry* here, std::size_t depth, Entry bound, Entry deeper, Entry further,
                     [[maybe_unused]] char32_t own) {
        const char32_t* query = query_.data();
        const std::size_t low = depth - std::min<std::size_t>(depth, deeper);
        // Entry n has no character after it.
        const std::size_t end = std::min<std::size_t>(n_, depth + further + 1);
        char32_t* out = characters_.data();
        for (std::size_t j = low; j < end; ++j) {
            if (here[j] != bound) continue;
            *out++ = query[j];
            // A swap into the child's entry j + 1 needs the node's own character at query[j]
            // and the child's at query[j - 1].
            if constexpr (Rows::kTranspositions) {
                if (j >= 1 && query[j] == own) *out++ = query[j - 1];
            }
        }
        list_end(out);
        return listed_ != 0;
    }

    // Bit s of along_ marks band entry low + s at the bound, whose child entry needs
    // query[low + s]; with transpositions, bit s of swapped_ marks the same entry when a swap
    // can leave from it, which needs query[low + s - 1]. Entries at or past the query's end have
    // no character after them and are left unmarked.
    bool find_masks(const Entry* row, std::size_t depth, Entry bound,
                    [[maybe_unused]] char32_t own) {
        const std::size_t low = depth - kBand;
        const Entry* here = row + low;
        const char32_t* query = padded_query_.data() + 1 + low;
        std::uint64_t along = 0;
        [[maybe_unused]] std::uint64_t swapped = 0;
        for (std::ptrdiff_t s = 0; s < kBandEntries; ++s) {
            const std::uint64_t at = here[s] == bound ? 1 : 0;
            along |= at << s;
            if constexpr (Rows::kTranspositions)
                swapped |= (at & (query[s] == own ? 1 : 0)) << s;
        }
        const std::size_t inside =
            n_ > low ? std::min<std::size_t>(n_ - low, kBandEntries) : 0;
        const std::uint64_t valid = (std::uint64_t{1} << inside) - 1;
        masks_low_ = low;
        along_ = along & valid;
        swapped_ = swapped & valid;
        return (along_ | swapped_) != 0;
    }

    // Whether a child carrying `c` carries a bound character.
    bool bound_character(char32_t c) const noexcept {
        if constexpr (kBand != 0) {
            if (in_masks_) {
                const char32_t* query = padded_query_.data() + 1 + masks_low_;
                std::uint64_t same = 0;
                [[maybe_unused]] std::uint64_t same_before = 0;
                for (std::ptrdiff_t s = 0; s < kBandEntries; ++s) {  // signed: reads query[-1]
                    same |= std::uint64_t{query[s] == c ? 1u : 0u} << s;
                    if constexpr (Rows::kTranspositions)
                        same_before |= std::uint64_t{query[s - 1] == c ? 1u : 0u} << s;
                }
                return ((same & along_) | (same_before & swapped_)) != 0;
            }
        }
        return std::ranges::find(listed(), c) != listed().end();
    }

    // Lists the characters of the masks, for the binary search.
    void list_masks() {
        const char32_t* query = padded_query_.data() + 1 + masks_low_;
        char32_t* out = characters_.data();
        for (std::uint64_t m = along_; m != 0; m &= m - 1) *out++ = query[std::countr_zero(m)];
        for (std::uint64_t m = swapped_; m != 0; m &= m - 1)
            *out++ = query[std::countr_zero(m) - 1];
        list_end(out);
    }

    std::span<const char32_t> listed() const noexcept {
        return std::span(characters_).first(listed_);
    }

    const Trie& trie_;
    std::span<const char32_t> query_;
    std::size_t n_;  // the query's length
    WalkBuffers& buffers_;  // where the vectors go back to
    std::vector<Pending> stack_;
    std::vector<char32_t> characters_;  // the bound characters when listed
    std::size_t listed_ = 0;
    // The bound characters as masks (see find_masks) when in_masks_.
    bool in_masks_ = false;
    std::size_t masks_low_ = 0;
    std::uint64_t along_ = 0, swapped_ = 0;
    // The query between two absent characters, one before it and a band's width after it, so
    // that a fixed band reads past either end without a check.
    std::vector<char32_t> padded_query_;
    std::vector<std::size_t> found_;  // see push_searched
};

}  // namespace brindlemap::band_walk
