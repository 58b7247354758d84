// The distances the specialised walk computes, each a rule for one entry of the table from its
// neighbours, with the cost of each edit: Levenshtein (insert, delete, substitute) and optimal
// string alignment, which also swaps two adjacent characters. A rule with other integer costs
// is one more instantiation of CostRows and one more Metric, not one more walk.
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

enum class Metric { levenshtein, osa };

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

// A row rule with these integer costs; kTranspose 0 is a rule without swaps.
//
// The walk relies on every cost being at least 1 (static_asserted): entry (depth, i) is then at
// least |depth - i|, which keeps the band of max_dist around the diagonal; a node's least entry
// never falls below its parent's, which prunes; and a child's entry can stay at the bound only
// along a matching diagonal, which finds the fringe. With swaps the fringe also assumes that a
// swap costs no less than a substitution (a swap then reaches the bound only from an entry
// at it). The split search's caps count edits: they hold for unit costs only (split_caps.h).
template <std::uint32_t kInsertCost, std::uint32_t kDeleteCost, std::uint32_t kSubstituteCost,
          std::uint32_t kTransposeCost>
struct CostRows {
    static constexpr std::uint32_t kInsert = kInsertCost;
    static constexpr std::uint32_t kDelete = kDeleteCost;
    static constexpr std::uint32_t kSubstitute = kSubstituteCost;
    static constexpr std::uint32_t kTranspose = kTransposeCost;
    static constexpr bool kTranspositions = kTranspose != 0;
    // Whether every edit costs 1, as the split search's caps need.
    static constexpr bool kUnitCosts =
        kInsert == 1 && kDelete == 1 && kSubstitute == 1 && (kTranspose == 0 || kTranspose == 1);
    // The dearest edit: no distance exceeds it times the longer text's length.
    static constexpr std::uint32_t kDearest =
        std::max({kInsert, kDelete, kSubstitute, kTranspose});
    static_assert(kInsert >= 1 && kDelete >= 1 && kSubstitute >= 1);
    static_assert(!kTranspositions || kTranspose >= kSubstitute);

    // Entry i of the root's row: the query's first i characters deleted.
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry root_entry(std::size_t i) noexcept {
        return static_cast<Entry>(i * kDelete);
    }

    // Entry 0 of a row from entry 0 of the row above: one more character inserted.
    template <class Entry>
    [[gnu::always_inline]] static constexpr Entry first_entry(Entry above) noexcept {
        return static_cast<Entry>(above + kInsert);
    }

    // Entry (depth, i) from its neighbours; `same` says whether the node's character is
    // query[i - 1]. `crossed()` points at the entry (depth - 2, i - 2) when the two characters
    // before entry i cross the node's and its parent's, and is null otherwise; it is called only
    // by a rule with swaps. `hold` may lift an entry beyond the bound by where it came from: a
    // swap, what entered the entry from its column's left (a deletion, a match, a substitution
    // or a swap), and the whole entry.
    template <class Entry, class Crossed, class Hold = Unheld>
    [[gnu::always_inline]] static Entry step(Entry above, Entry left, Entry diagonal, bool same,
                                             Crossed&& crossed, Hold hold = {}) noexcept {
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
            if (const Entry* swap = crossed()) [[unlikely]]
                entry = swap_in(entry, static_cast<Entry>(*swap + kTranspose), hold);
        }
        return entry;
    }

  private:
    // The entry with a swap that costs `swapped`: a swap enters from the left, so it is held as
    // what enters and as a whole, after its own hold.
    template <class Entry, class Hold>
    [[gnu::always_inline]] static Entry swap_in(Entry entry, Entry swapped, Hold hold) noexcept {
        if constexpr (std::is_same_v<Hold, Unheld>)
            return std::min(entry, swapped);
        else
            return std::min(entry, hold.whole(hold.entered(hold.swapped(swapped))));
    }
};

using LevenshteinRows = CostRows<1, 1, 1, 0>;
using OsaRows = CostRows<1, 1, 1, 1>;

// f called with the row rule of `metric`, a value of its type.
template <class F>
decltype(auto) with_rule(Metric metric, F&& f) {
    switch (metric) {
        case Metric::osa:
            return f(OsaRows{});
        case Metric::levenshtein:
            break;
    }
    return f(LevenshteinRows{});
}

// Whether every edit of the rule of `metric` costs 1, as the split search needs.
inline bool unit_costs(Metric metric) {
    return with_rule(metric, []<class Rows>(Rows) { return Rows::kUnitCosts; });
}

}  // namespace brindlemap
