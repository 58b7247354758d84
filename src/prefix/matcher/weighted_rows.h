// The row rule of costs chosen at run time (EditCosts): the same questions as CostRows answers at
// compile time, answered from tables made once per query, so that the hot loop looks a cost up
// rather than searching for it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "prefix/matcher/edit_costs.h"
#include "prefix/matcher/row_rules.h"

namespace brindlemap {

// Entry (depth, i) is, as in CostRows, the distance from the query's first i characters to the
// node's text. The entry above gains the node's character, which was not typed: a deletion in
// EditCosts' terms, whose cost is worked out once a node (node()). The entry to the left gains
// query[i - 1], typed where the word lacks it: an insertion, worked out once a query. A
// substitution of one ASCII character for another is read from a table made once a query, 128
// costs for each ASCII character the query holds (64 KiB at most, whatever its length); any
// other is looked up among the pairs of query[i - 1]. A doubled
// letter enters like a swap, from
// two columns back; an undoubled one like a match, from the column before.
//
// Every cost is at least 1, so an entry within max_dist lies within as many columns of the
// diagonal as max_dist pays for the cheapest edits that lengthen the word or the typed text
// (deeper, further), and a node's least entry does not fall below its parent's except by a swap
// that is cheaper than the substitution it replaces (swaps_undercut: the walk then lowers a
// node's least entry by what a swap from its parent's row would give a child). The fringe keeps
// every child rather than only those carrying a bound character.
class WeightedRows {
  public:
    static constexpr bool kTranspositions = true;
    static constexpr bool kRunTimeCosts = true;
    static constexpr bool kBoundCharacters = false;

    WeightedRows(const EditCosts& costs, std::span<const char32_t> query)
        : costs_(&costs),
          doubled_(costs.doubled().value_or(0)),
          undoubled_(costs.undoubled().value_or(0)) {
        const std::size_t n = query.size();
        columns_.resize(n + 1);
        root_.resize(n + 1);
        std::array<std::uint32_t, kAscii> row_of;
        row_of.fill(kNoRow);
        for (std::size_t i = 1; i <= n; ++i) {
            const char32_t typed = query[i - 1];
            Column& column = columns_[i];
            column.inserted = costs.insertion(typed);
            const std::span<const PairCost> pairs = costs.substitutions_of(typed);
            column.pairs = pairs.data();
            column.count = static_cast<std::uint32_t>(pairs.size());
            most_pairs_ = std::max(most_pairs_, pairs.size());
            for (const PairCost& p : pairs)
                column.cheapest = std::min(column.cheapest, p.cost);
            if (typed < kAscii) {
                if (row_of[typed] == kNoRow) {
                    row_of[typed] = static_cast<std::uint32_t>(ascii_.size());
                    ascii_.resize(ascii_.size() + kAscii, costs.substitute());
                    for (const PairCost& p : pairs)
                        if (p.meant < kAscii) ascii_[row_of[typed] + p.meant] = p.cost;
                }
                column.ascii_row = row_of[typed];
            }
            root_[i] = root_[i - 1] + column.inserted;
            typed_gap_ = std::min(typed_gap_, column.inserted);
            if (doubled_ != 0 && i >= 2 && typed == query[i - 2])
                typed_gap_ = std::min(typed_gap_, doubled_);
        }
    }

    struct Node {
        char32_t c;
        std::uint32_t missing;  // the cost of leaving the node's character out
    };
    Node node(char32_t c) const noexcept { return {c, costs_->deletion(c)}; }

    std::uint64_t dearest() const noexcept { return costs_->dearest(); }
    // How many more characters the node's text can have than the query's part within max_dist
    // (each left out or undoubled), and how many fewer (each typed where the word lacks it, or
    // doubled, which only a query repeating a character can do).
    std::uint64_t deeper(std::uint64_t max_dist) const noexcept { return max_dist / word_gap_; }
    std::uint64_t further(std::uint64_t max_dist) const noexcept { return max_dist / typed_gap_; }
    std::uint64_t least_missing() const noexcept { return costs_->least_deletion(); }
    // Typing query[i - 1] for any character but those of its pairs, and its pairs.
    std::uint64_t unlisted_substitution() const noexcept { return costs_->substitute(); }
    std::span<const PairCost> pairs(std::size_t i) const noexcept {
        return {columns_[i].pairs, columns_[i].count};
    }
    // The cheapest of column i's pairs (beyond any bound when it has none).
    std::uint64_t cheapest_pair(std::size_t i) const noexcept { return columns_[i].cheapest; }
    // The most pairs of any column.
    std::size_t most_pairs() const noexcept { return most_pairs_; }
    std::uint64_t least_transpose() const noexcept { return costs_->transpose(); }
    // A doubled and an undoubled letter's costs, 0 where the rule has none.
    std::uint64_t doubled() const noexcept { return doubled_; }
    std::uint64_t undoubled() const noexcept { return undoubled_; }
    // Whether a swap can cost less than some substitution, so that a child's entry may fall
    // below its parent's least entry.
    bool swaps_undercut() const noexcept { return swaps_undercut_; }

    template <class Entry>
    Entry root_entry(std::size_t i) const noexcept {
        return static_cast<Entry>(root_[i]);
    }
    template <class Entry>
    Entry first_entry(Entry above, Node node) const noexcept {
        return static_cast<Entry>(above + node.missing);
    }

    template <class Entry, class Hold = Unheld>
    [[gnu::always_inline]] Entry step(Entry above, Entry left, Entry diagonal, std::size_t i,
                                      bool same, Node node, const Behind<Entry>& behind,
                                      Hold hold = {}) const noexcept {
        const Column& column = columns_[i];
        Entry replaced =
            static_cast<Entry>(diagonal + (same ? 0 : substitution(column, node.c)));
        if (undoubled_ != 0) {
            if (const Entry* from = behind.undoubled()) [[unlikely]]
                replaced = std::min(replaced, static_cast<Entry>(*from + undoubled_));
        }
        Entry entry = hold.whole(std::min<Entry>(
            static_cast<Entry>(above + node.missing),
            hold.entered(std::min<Entry>(static_cast<Entry>(left + column.inserted), replaced))));
        if (const Entry* swap = behind.crossed()) [[unlikely]]
            entry = swap_in(entry, static_cast<Entry>(*swap + costs_->transpose()), hold);
        if (doubled_ != 0) {
            // Two columns back, as a swap: held as one.
            if (const Entry* from = behind.doubled()) [[unlikely]]
                entry = swap_in(entry, static_cast<Entry>(*from + doubled_), hold);
        }
        return entry;
    }

  private:
    static constexpr std::size_t kAscii = 128;
    static constexpr std::uint32_t kNoRow = ~std::uint32_t{0};

    // What column i needs of query[i - 1].
    struct Column {
        const PairCost* pairs = nullptr;  // those of query[i - 1], by meant character
        std::uint32_t count = 0;
        std::uint32_t inserted = 0;  // typing query[i - 1] where the word lacks it
        std::uint32_t ascii_row = kNoRow;  // where query[i - 1]'s row of ascii_ starts
        std::uint32_t cheapest = ~std::uint32_t{0};  // see cheapest_pair
    };

    // Typing query[i - 1] where the word has `meant`, another character.
    std::uint32_t substitution(const Column& column, char32_t meant) const noexcept {
        if (meant < kAscii && column.ascii_row != kNoRow) return ascii_[column.ascii_row + meant];
        for (std::uint32_t k = 0; k < column.count; ++k)
            if (column.pairs[k].meant == meant) return column.pairs[k].cost;
        return costs_->substitute();
    }

    const EditCosts* costs_;
    std::uint32_t doubled_, undoubled_;
    std::size_t most_pairs_ = 0;
    bool swaps_undercut_ = costs_->transpose() < costs_->dearest_substitution();
    // The cheapest edit that gives the word one more character than typed, and one fewer.
    std::uint32_t word_gap_ = std::min(costs_->least_deletion(),
                                       costs_->undoubled().value_or(EditCosts::kMaxCost));
    std::uint32_t typed_gap_ = EditCosts::kMaxCost;
    std::vector<Column> columns_;
    // Typing ASCII t for ASCII c costs ascii_[row + c], where row is t's Column::ascii_row.
    std::vector<std::uint32_t> ascii_;
    std::vector<std::uint64_t> root_;
};

}  // namespace brindlemap
