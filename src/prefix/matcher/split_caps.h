// What tells the two walks of a forward-backward search from the plain band walk: the columns
// of the table whose entries are held to a lower bound than max_dist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace brindlemap {

// The plain band walk: no column is held below max_dist.
struct NoCaps {
    static constexpr bool kActive = false;
};

// One walk of a forward-backward search. An alignment of the query with a word falls at the
// query's split into the edits before it and those after it; each walk holds one of the two
// parts to `cap`. The forward walk, over the query as it is, holds the columns up to the split
// (whole_below = split + 1): the edits of the first half with the insertions right after it,
// and a swap across the split (swap_column = split + 1). The backward walk, over the reversed
// query in the reversed trie, holds the columns of the second half (whole_below = n - split),
// and in the column of the split (entry_column = n - split) only what enters it: insertions
// there and a swap across the split belong to the first half in both walks, so that every
// alignment's two parts add up to its cost and one of them is within its walk's cap.
struct HalfCaps {
    static constexpr bool kActive = true;
    static constexpr std::size_t kNoColumn = std::numeric_limits<std::size_t>::max();

    std::uint64_t cap;
    std::size_t whole_below;               // columns [0, whole_below) are held whole
    std::size_t entry_column = kNoColumn;  // what enters this column is held
    std::size_t swap_column = kNoColumn;   // a swap into this column is held
};

}  // namespace brindlemap
