// What tells the two walks of a forward-backward search from the plain band walk: the columns
// of the table whose entries are held to a lower bound than max_dist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "prefix/matcher/row_rules.h"

namespace brindlemap {

// The plain band walk: no column is held below max_dist.
struct NoCaps {
    static constexpr bool kActive = false;
    // No column held: what the fringe's tests read of caps (see HalfCaps).
    static constexpr std::uint64_t cap = 0;
    static constexpr std::size_t whole_below = 0;
    static constexpr std::size_t entry_column = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t swap_column = std::numeric_limits<std::size_t>::max();

    // What a row rule's step holds in column i: nothing.
    template <class Entry>
    [[gnu::always_inline]] static constexpr Unheld column(std::size_t, Entry) noexcept {
        return {};
    }
};

// One walk of a forward-backward search. An alignment of the query with a word falls at the
// query's split into the edits before it and those after it; each walk holds one of the two
// parts to `cap`. The forward walk, over the query as it is, holds the columns up to the split
// (whole_below = split + 1): the edits of the first half with the insertions right after it,
// and a swap across the split (swap_column = split + 1). The backward walk, over the reversed
// query in the reversed trie, holds the columns of the second half (whole_below = n - split),
// and in the column of the split (entry_column = n - split) only what enters it: insertions
// there and a swap across the split belong to the first half in both walks, so that every
// alignment's two parts add up to its cost and one of them is within its walk's cap. Costs are
// integers, so with caps c and max_dist - c - 1 one part is within its cap whatever the costs;
// capped_fringe's tests add each kind's cheapest edit.
struct HalfCaps {
    static constexpr bool kActive = true;
    static constexpr std::size_t kNoColumn = std::numeric_limits<std::size_t>::max();

    std::uint64_t cap;
    std::size_t whole_below;               // columns [0, whole_below) are held whole
    std::size_t entry_column = kNoColumn;  // what enters this column is held
    std::size_t swap_column = kNoColumn;   // a swap into this column is held

    // What a row rule's step holds to the cap in column i, lifting it to `beyond`: columns
    // below whole_below whole; in the entry column what enters it, not what the node's
    // character adds in it; in the swap column a swap from the column before the entry column.
    template <class Entry>
    struct Column {
        const HalfCaps* caps;
        std::size_t i;
        Entry beyond;

        Entry held(Entry e) const noexcept { return e > caps->cap ? beyond : e; }
        Entry swapped(Entry e) const noexcept { return i == caps->swap_column ? held(e) : e; }
        Entry entered(Entry e) const noexcept { return i == caps->entry_column ? held(e) : e; }
        Entry whole(Entry e) const noexcept {
            return i < caps->whole_below && i != caps->entry_column ? held(e) : e;
        }
    };

    template <class Entry>
    Column<Entry> column(std::size_t i, Entry beyond) const noexcept {
        return {this, i, beyond};
    }
};

}  // namespace brindlemap
