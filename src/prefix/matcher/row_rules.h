// The distances the specialised walk computes, each a rule for one entry of the table from its
// neighbours, with the cost of each edit: Levenshtein (insert, delete, substitute) and optimal
// string alignment, which also swaps two adjacent characters. A rule with other integer costs
// is one more instantiation of CostRows; costs chosen at run time are WeightedRows
// (weighted_rows.h). Neither is one more walk.
//
// Entry (depth, i) is the distance from the query's first i characters to the node's text of
// `depth` characters. The entry above, (depth - 1, i), gains the node's character: an
// insertion into the query. The entry to the left, (depth, i - 1), loses query[i - 1]: a
// deletion. The diagonal (depth - 1, i - 1) pairs the two characters: a match or a
// substitution. With swaps, the entry two rows up and two columns back (depth - 2, i - 2)
// gains the two characters crossed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace brindlemap {

// What a step may hold to a bound, by where the entry came from: nothing in the plain walk.
// A walk of the split search holds some columns below max_dist (split_caps.h).
struct Unheld {
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry swapped(Entry e) noexcept { return e; }
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry entered(Entry e) noexcept { return e; }
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry whole(Entry e) noexcept { return e; }
};

// Where the edits of two characters into entry i of a node's row start: a swap from two rows up
// and two columns back, a doubled letter (two typed for the word's one) from the row above and
// two columns back, an undoubled one (one typed for the word's two) from two rows up and one
// column back. Each is null unless the characters allow the edit. The rows and the query are
// placed so that [i] is column i's; `c` is the node's character, `parent_c` its parent's (none
// at depth 1). Swaps read from column `first_swap` on, doubled letters from `first_doubled` on:
// before those the entries read lie outside the rows or their bands.
template <class Entry>
struct Behind {
    const Entry* above = nullptr;
    const Entry* two_above = nullptr;
    const char32_t* query = nullptr;
    std::ptrdiff_t i = 0;
    char32_t c = 0, parent_c = 0;
    std::ptrdiff_t first_swap = 2, first_doubled = 2;

    [[gnu::always_inline]] const Entry* crossed() const noexcept {
        return i >= first_swap && query[i - 1] == parent_c && query[i - 2] == c ? two_above + (i - 2)
                                                                                 : nullptr;
    }
    [[gnu::always_inline]] const Entry* doubled() const noexcept {
        return i >= first_doubled && query[i - 1] == c && query[i - 2] == c ? above + (i - 2)
                                                                            : nullptr;
    }
    [[gnu::always_inline]] const Entry* undoubled() const noexcept {
        return c == parent_c && query[i - 1] == c ? two_above + (i - 1) : nullptr;
    }
};

// The entry with a swap that costs `swapped`: a swap enters from the left, so it is held as what
// enters and as a whole, after its own hold.
template <class Entry, class Hold>
[[gnu::always_inline]] inline Entry swap_in(Entry entry, Entry swapped, Hold hold) noexcept {
    if constexpr (std::is_same_v<Hold, Unheld>)
        return std::min(entry, swapped);
    else
        return std::min(entry, hold.whole(hold.entered(hold.swapped(swapped))));
}

// A row rule with these integer costs; kTranspose 0 is a rule without swaps.
//
// The walk relies on every cost being at least 1 (static_asserted): entry (depth, i) is then at
// least |depth - i|, which keeps the band of max_dist around the diagonal; a node's least entry
// never falls below its parent's, which prunes; and a child's entry can stay at the bound only
// along a matching diagonal, which finds the fringe. With swaps the fringe also assumes that a
// swap costs no less than a substitution (a swap then reaches the bound only from an entry
// at it). The split search's caps hold for any integer costs; its tests of which children can
// be of use ask a rule for its cheapest edits.
//
// Every rule answers the walk the same questions (WeightedRows, weighted_rows.h, is the other
// kind): what a node's character costs to leave out (node), the root's row and the first entry
// of a row, a step, how many columns from the diagonal an entry can lie within a bound (reach),
// its dearest edit and its cheapest ones. This one knows the answers at compile time.
template <std::uint32_t kInsertCost, std::uint32_t kDeleteCost, std::uint32_t kSubstituteCost,
          std::uint32_t kTransposeCost>
struct CostRows {
    static constexpr std::uint32_t kInsert = kInsertCost;
    static constexpr std::uint32_t kDelete = kDeleteCost;
    static constexpr std::uint32_t kSubstitute = kSubstituteCost;
    static constexpr std::uint32_t kTranspose = kTransposeCost;
    static constexpr bool kTranspositions = kTranspose != 0;
    // Whether the costs are read at run time, with pairs, doubled letters and swaps that may
    // undercut a substitution (WeightedRows): the walk then asks the rule for them.
    static constexpr bool kRunTimeCosts = false;
    // Whether the fringe may keep only the children that carry a bound character (band_fringe.h).
    static constexpr bool kBoundCharacters = true;
    static_assert(kInsert >= 1 && kDelete >= 1 && kSubstitute >= 1);
    static_assert(!kTranspositions || kTranspose >= kSubstitute);

    // What a row's entries need to know of its node: nothing, every character costing alike.
    struct Node {};
    [[gnu::always_inline]] static constexpr Node node(char32_t) noexcept { return {}; }

    // The dearest edit: no distance exceeds it times the longer text's length.
    static constexpr std::uint64_t dearest() noexcept {
        return std::max({kInsert, kDelete, kSubstitute, kTranspose});
    }
    // How far from the diagonal an entry within max_dist can lie: how many more characters the
    // node's text can have than the query's part (each costing an insertion into the query),
    // and how many fewer.
    static constexpr std::uint64_t deeper(std::uint64_t max_dist) noexcept {
        return max_dist / kInsert;
    }
    static constexpr std::uint64_t further(std::uint64_t max_dist) noexcept {
        return max_dist / kDelete;
    }
    // The cheapest edit of each kind that the fringe's tests add: leaving out the node's
    // character, a substitution (of any character but those a weighted rule lists), a swap.
    static constexpr std::uint64_t least_missing() noexcept { return kInsert; }
    static constexpr std::uint64_t unlisted_substitution() noexcept { return kSubstitute; }
    static constexpr std::uint64_t least_transpose() noexcept { return kTranspose; }

    // Entry i of the root's row: the query's first i characters deleted.
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry root_entry(std::size_t i) noexcept {
        return static_cast<Entry>(i * kDelete);
    }

    // Entry 0 of a row from entry 0 of the row above: one more character inserted.
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry first_entry(Entry above, Node) noexcept {
        return static_cast<Entry>(above + kInsert);
    }

    // Entry (depth, i) from its neighbours; `same` says whether the node's character is
    // query[i - 1]. `behind.crossed()` points at the entry (depth - 2, i - 2) when the two
    // characters before entry i cross the node's and its parent's, and is null otherwise; it is
    // called only by a rule with swaps. `hold` may lift an entry beyond the bound by where it came from: a
    // swap, what entered the entry from its column's left (a deletion, a match, a substitution
    // or a swap), and the whole entry.
    template <class Entry, class Hold = Unheld>
    [[gnu::always_inline]] static Entry step(Entry above, Entry left, Entry diagonal, std::size_t,
                                             bool same, Node, const Behind<Entry>& behind,
                                             Hold hold = {}) noexcept {
        const Entry replaced = static_cast<Entry>(diagonal + (same ? 0 : kSubstitute));
        Entry entry;
        if constexpr (kInsert == kDelete && std::is_same_v<Hold, Unheld>) {
            // Nothing held: one addition serves both gaps, as in the hottest loops.
            entry = std::min<Entry>(static_cast<Entry>(std::min(above, left) + kInsert), replaced);
        } else {
            entry = hold.whole(std::min<Entry>(
                static_cast<Entry>(above + kInsert),
                hold.entered(std::min<Entry>(static_cast<Entry>(left + kDelete), replaced))));
        }
        if constexpr (kTranspositions) {
            // Rare: a branch that is seldom taken costs less than reading the entry each time.
            if (const Entry* swap = behind.crossed()) [[unlikely]]
                entry = swap_in(entry, static_cast<Entry>(*swap + kTranspose), hold);
        }
        return entry;
    }
};

using LevenshteinRows = CostRows<1, 1, 1, 0>;
using OsaRows = CostRows<1, 1, 1, 1>;

}  // namespace brindlemap
