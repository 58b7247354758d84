// The specialised walk over a trie whose shape check passed: depth-indexed band rows, an explicit
// stack of nodes, and the Matcher's pruning and child order, generic over the row rule and over
// what is collected. Its instantiations are made in fast_walk.cpp, best_walk.cpp and
// completion.cpp.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <utility>

#include "prefix/matcher/band_buffers.h"
#include "prefix/matcher/band_fringe.h"
#include "prefix/matcher/band_rows.h"
#include "prefix/matcher/metric.h"
#include "prefix/matcher/row_rules.h"
#include "prefix/matcher/split_caps.h"
#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"
#include "prefix/utf8.h"

namespace brindlemap::band_walk {

// The text of the node offered to a collector, made only when the collector asks: text() as
// UTF-8, text.code_points() as they stand on the walk's path (valid during the offer). Either
// charges the interrupt for the text's length.
struct OfferedText {
    std::span<const char32_t> path;
    WalkInterrupt& interrupt;

    std::string operator()() const {
        interrupt.charge(path.size());
        return utf8::encode_all(path);
    }
    std::span<const char32_t> code_points() const {
        interrupt.charge(path.size());
        return path;
    }
};

// The walk loop: it keeps its rows in BandRows (band_rows.h) and the nodes still to visit in a
// Fringe (band_fringe.h), and computes each visited node's row with the row rule's step.
//
// Rows is a rule of row_rules.h or WeightedRows (weighted_rows.h). Collector decides what is
// accepted and how far the walk goes: visited(node, depth, distance, least, text) sees each
// node but the root and says whether to enter its children; `distance` is the whole query's
// distance to the node's text when it is within max_dist, and max_dist + 1 otherwise; `least`
// is the least entry of the node's row (no descendant's row has a smaller one); `text` makes
// the node's text on demand (OfferedText). The rest is optional, each part with its default:
// done() ends the walk (never); bound() is the distance beyond which no entry is of use to it
// (max_dist); enter_root(distance) sees the root and says whether to enter the trie (yes);
// every_child() says that the node just entered takes every child, none left out for
// standing beyond the bound (no).
//
// Its rows and fringe live in WalkBuffers (band_buffers.h) that run() borrows from the thread.
//
// kBand, when not 0, is how far the band reaches on either side of the diagonal, known at
// compile time for banded rows (max_dist under unit costs): a node whose band lies inside the
// query, the common case, then computes its fixed number of entries in an unrolled loop.
//
// Caps is NoCaps, or HalfCaps for one walk of a forward-backward search (split_caps.h), which
// holds the entries of some columns to a lower bound; such walks take the general loop.
template <class Entry, class Rows, class Collector, std::size_t kBand = 0, class Caps = NoCaps>
class BandWalk {
    static_assert(kBand == 0 || !Caps::kActive);

  public:
    // The walk works in `buffers`, which it clears first.
    BandWalk(const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist, Rows rule,
             Collector collector, WalkInterrupt& interrupt, WalkBuffers& buffers, Caps caps = {})
        : trie_(trie),
          query_(query),
          n_(query.size()),
          rule_(std::move(rule)),
          // Clamped by the dispatcher (run), which chose an Entry that holds it plus two edits.
          max_dist_(static_cast<Entry>(max_dist)),
          deeper_(static_cast<Entry>(rule_.deeper(max_dist_))),
          further_(static_cast<Entry>(rule_.further(max_dist_))),
          rows_(n_, deeper_, further_, trie.shape()->max_depth, buffers),
          fringe_(trie, query, rows_.width(), listed_pairs(rule_), buffers),
          collector_(std::move(collector)),
          interrupt_(interrupt),
          caps_(caps) {}

    // Walks the trie and hands back the collector with what it collected.
    Collector run() && {
        // The root: never accepted, its least entry 0 is within any bound.
        Entry* root = rows_.row(0);
        const std::size_t root_last = rows_.banded() ? std::size_t{further_} : n_;
        for (std::size_t i = 0; i <= root_last; ++i) root[i] = rule_.template root_entry<Entry>(i);
        if (root_last < n_) root[root_last + 1] = max_dist_ + 1;
        // The root's text is empty: the whole query is deleted from it.
        const std::uint64_t deleted = rule_.template root_entry<std::uint64_t>(n_);
        const std::uint64_t root_distance =
            deleted <= max_dist_ ? deleted : std::uint64_t{max_dist_} + 1;
        if (done() || !enter_root(root_distance)) return std::move(collector_);
        Visited root_visit{.enter = true, .least = 0, .slack = false};
        if constexpr (Caps::kActive || !Rows::kBoundCharacters) {
            if (!capped_fringe(0, CharArray::kAbsent, nullptr, 0, root_visit.slack))
                return std::move(collector_);
        }
        push_children(Pending{0, 0}, root_visit);
        // A visit's work is at most its band and its share of its parent's pushes: the
        // interrupt is charged for a batch of visits at once, which keeps it off the hot path.
        const std::size_t width = rows_.width();
        const std::size_t batch = std::max<std::size_t>(1, WalkInterrupt::kInterval / (width + 1));
        std::size_t visits_before_charge = batch;
        while (!fringe_.empty()) {
            if (--visits_before_charge == 0) {
                visits_before_charge = batch;
                interrupt_.charge(batch * (width + 1));
            }
            const Pending next = fringe_.pop();
            const Visited visited = visit(next);
            if (done()) break;  // nothing later is accepted or entered
            if (visited.enter) push_children(next, visited);
        }
        return std::move(collector_);
    }

  private:
    // How many characters of pairs the fringe may list for one entry.
    static std::size_t listed_pairs(const Rows& rule) {
        if constexpr (!Rows::kRunTimeCosts)
            return 0;
        else
            return rule.most_pairs();
    }

    static constexpr std::ptrdiff_t kBandEntries = 2 * static_cast<std::ptrdiff_t>(kBand) + 1;
    // The collector's optional parts, or their defaults. every_child: whether the collector
    // takes every child of the node it has just entered, none left out for standing beyond the
    // bound (completion: such a child may carry its parent's prefix distance); at the bound's
    // equality the other rules never enter such a node.
    [[gnu::always_inline]] bool every_child() const noexcept {
        if constexpr (requires { collector_.every_child(); })
            return collector_.every_child();
        else
            return false;
    }
    [[gnu::always_inline]] bool done() const noexcept {
        if constexpr (requires { collector_.done(); })
            return collector_.done();
        else
            return false;
    }
    [[gnu::always_inline]] std::uint64_t bound() const noexcept {
        if constexpr (requires { collector_.bound(); })
            return collector_.bound();
        else
            return max_dist_;
    }
    [[gnu::always_inline]] bool enter_root(std::uint64_t distance) {
        if constexpr (requires { collector_.enter_root(distance); })
            return collector_.enter_root(distance);
        else
            return true;
    }

    // What a visit tells of its node.
    struct Visited {
        bool enter = false;  // whether its children are to be entered
        Entry least = 0;     // the least entry of its row
        // In a HalfCaps walk: whether every child can be of use (see capped_fringe).
        bool slack = false;
    };

    // Computes the node's row from the rows above it and offers the node; returns what
    // push_children needs of it. Every computed entry lies between min(true value,
    // max_dist + 1) and the true value, so the entries within max_dist, the least entry's test
    // and the offered distances are exactly those of the full row. With transpositions, entry i
    // may come from entry i - 2 two rows up: the same diagonal, so within that row's band.
    Visited visit(Pending pending) {
        const std::size_t depth = pending.depth;
        const Entry beyond = max_dist_ + 1;
        const std::size_t low = depth - std::min<std::size_t>(depth, deeper_);
        if (low > n_) return {};  // the least entry pays for depth - n gaps, beyond max_dist
        const std::size_t high = std::min<std::size_t>(n_, depth + further_);
        const char32_t c = trie_.node_strings().raw(pending.node);
        rows_.path()[depth - 1] = c;
        Entry* here = rows_.row(depth);
        const Entry* above = here - rows_.step();
        // Transpositions read the row and the character two depths up, from depth 2 on.
        [[maybe_unused]] const Entry* two_above = above;
        [[maybe_unused]] char32_t parent_c = CharArray::kAbsent;
        if constexpr (Rows::kTranspositions) {
            if (depth >= 2) {
                two_above = above - rows_.step();
                parent_c = rows_.path()[depth - 2];
            }
        }
        const typename Rows::Node node = rule_.node(c);
        Entry least = beyond;
        bool inner = false;
        if constexpr (kBand != 0) {
            // A swap reads two entries before the band's first: from low 2 on. The row above
            // starts one column before this one's, where a doubled letter may start.
            if (low >= (Rows::kTranspositions ? 2 : 1) && high != n_) {
                const Behind<Entry> behind{.above = above + low,
                                           .two_above = two_above + low,
                                           .query = query_.data() + low,
                                           .c = c,
                                           .parent_c = parent_c,
                                           .first_swap = PTRDIFF_MIN,
                                           .first_doubled = 1};
                least = inner_band(here + low, above + low, low, c, node, behind);
                inner = true;
            }
        }
        if (!inner) least = general_row(depth, low, high, c, node, above, two_above, parent_c);
        const Entry distance = high == n_ ? here[n_] : beyond;
        if constexpr (Caps::kActive || !Rows::kBoundCharacters) {
            // Which children can be of use is found from the row and the one above: a child can
            // be even when the node's own row lies beyond the bound, by a swap from the row
            // above across a held column.
            bool slack = false;
            const bool of_use = capped_fringe(depth, c, above, least, slack);
            Visited visited =
                offer(pending.node, depth, distance,
                      of_use ? std::min(lowered(depth, c, above, least), max_dist_) : beyond);
            visited.slack = slack;
            return visited;
        }
        return offer(pending.node, depth, distance, least);
    }

    // visit's loop for a row whose band does not lie inside the query, or for any row when the
    // band is not fixed: computes the entries from low to high and marks the one past them;
    // returns the least.
    [[gnu::always_inline]] Entry general_row(std::size_t depth, std::size_t low, std::size_t high,
                                             char32_t c, typename Rows::Node node,
                                             const Entry* above, const Entry* two_above,
                                             char32_t parent_c) {
        const Entry beyond = max_dist_ + 1;
        Entry* here = rows_.row(depth);
        Entry left = beyond;
        std::size_t i = low;
        if (low == 0) {
            left = caps_.column(0, beyond).whole(rule_.first_entry(above[0], node));
            here[0] = left;
            i = 1;
        }
        Entry least = left;
        Behind<Entry> behind{.above = above,
                             .two_above = two_above,
                             .query = query_.data(),
                             .c = c,
                             .parent_c = parent_c};
        if constexpr (Rows::kRunTimeCosts) {
            // A doubled letter reads the row above two columns back: within its band.
            const std::size_t above_low = depth - 1 - std::min<std::size_t>(depth - 1, deeper_);
            behind.first_doubled = static_cast<std::ptrdiff_t>(above_low) + 2;
        }
        for (; i <= high; ++i) {
            behind.i = static_cast<std::ptrdiff_t>(i);
            left = rule_.step(above[i], left, above[i - 1], i, query_[i - 1] == c, node, behind,
                              caps_.column(i, beyond));
            here[i] = left;
            least = std::min(least, left);
        }
        if (high < n_) here[high + 1] = beyond;
        return least;
    }

    // The least entry of the row just computed as pruning needs it: lowered by swap_floor
    // under a rule whose swaps can undercut a substitution.
    Entry lowered(std::size_t depth, char32_t c, const Entry* above, Entry least) const {
        if constexpr (Rows::kRunTimeCosts) {
            if (rule_.swaps_undercut()) return swap_floor(depth, c, above, least);
        }
        return least;
    }

    // `least` lowered to what a swap through the node just computed (at `depth`, carrying `c`,
    // its parent's row `above`) would give a child's entry: under a rule whose swaps can cost
    // less than a substitution, a child's entry can fall below its parent's least entry, and
    // the least entry is what prunes. A swap into the child's entry j + 1 needs query[j] == c
    // and reads the parent's entry j - 1.
    Entry swap_floor(std::size_t depth, char32_t c, const Entry* above, Entry least) const {
        const std::size_t parent = depth - 1;
        const std::size_t parent_low = parent - std::min<std::size_t>(parent, deeper_);
        const std::size_t parent_high = std::min<std::size_t>(n_, parent + further_);
        const std::uint64_t transpose = rule_.least_transpose();
        for (std::size_t j = std::max<std::size_t>(parent_low + 1, 1);
             j < n_ && j - 1 <= parent_high; ++j) {
            if (query_[j] == c && above[j - 1] + transpose < least)
                least = static_cast<Entry>(above[j - 1] + transpose);
        }
        return least;
    }

    // In a HalfCaps walk, or under a rule whose entries can stand anywhere near the bound
    // (WeightedRows), which children of the node just computed (at `depth`, carrying `c`, its
    // parent's row `above`) can be of use, by the bound of each column that a child's entry
    // comes into (see HalfCaps::Column; the collector's bound in every column of a plain walk):
    // all of them when some entry can grow by the cheapest edit of its kind and stay within its
    // bound (`slack`), or else only those whose character keeps an entry within its bound,
    // along the diagonal, by a swap or by a doubled or undoubled letter, listed as the fringe's
    // bound characters. Returns whether any child can be of use.
    [[gnu::always_inline]] bool capped_fringe(std::size_t depth, char32_t c, const Entry* above,
                                              Entry least, bool& slack) {
        const Entry* here = rows_.row(depth);
        const std::size_t low = depth - std::min<std::size_t>(depth, deeper_);
        const std::size_t child_low = depth + 1 - std::min<std::size_t>(depth + 1, deeper_);
        const std::size_t child_high = std::min<std::size_t>(n_, depth + 1 + further_);
        const std::uint64_t walk_bound = bound();
        const auto held = [&](std::size_t i) { return i < caps_.whole_below; };
        [[maybe_unused]] const auto swap_bound = [&](std::size_t i) -> std::uint64_t {
            return held(i) || i == caps_.entry_column || i == caps_.swap_column ? caps_.cap
                                                                                 : walk_bound;
        };
        const std::uint64_t missing = rule_.least_missing();
        const std::uint64_t substitution = rule_.unlisted_substitution();
        [[maybe_unused]] const std::uint64_t transpose = rule_.least_transpose();
        // Every entry of the band reaches the child's band by a deletion or by a substitution:
        // when the least of them can grow by either within the lowest bound of any column,
        // every child can be of use.
        slack = true;
        if (std::uint64_t{least} + std::max(missing, substitution) <=
            (Caps::kActive ? std::min(caps_.cap, walk_bound) : walk_bound))
            return true;
        char32_t* out = fringe_.list_begin();
        // What the node's character adds in each column of the child's band; an entry past the
        // band's end is beyond the bound. Once every child can be of use, the list is not.
        for (std::size_t i = child_low; i <= child_high; ++i) {
            const std::uint64_t vertical_bound = held(i) ? caps_.cap : walk_bound;
            if (i >= low && std::uint64_t{here[i]} + missing <= vertical_bound) return true;
            if (i == 0) continue;
            const std::uint64_t entry_bound =
                held(i) || i == caps_.entry_column ? caps_.cap : walk_bound;
            const std::uint64_t diagonal = here[i - 1];
            if (diagonal + substitution <= entry_bound) return true;
            if constexpr (Rows::kRunTimeCosts) {
                // Only the characters that query[i - 1] can be typed for cheaply.
                if (diagonal + rule_.cheapest_pair(i) <= entry_bound) {
                    for (const PairCost& p : rule_.pairs(i))
                        if (diagonal + p.cost <= entry_bound) *out++ = p.meant;
                }
            }
            if (diagonal <= entry_bound) *out++ = query_[i - 1];
            if constexpr (Rows::kTranspositions) {
                // A swap into the child's entry i, from the row above, through this node.
                if (depth >= 1 && i >= 2 && query_[i - 1] == c &&
                    std::uint64_t{above[i - 2]} + transpose <= swap_bound(i))
                    *out++ = query_[i - 2];
                // A swap into a grandchild's entry i + 1 from this row, through the child.
                if (i < n_ && diagonal + transpose <= swap_bound(i + 1))
                    *out++ = query_[i];
            }
            if constexpr (Rows::kRunTimeCosts) {
                // A doubled letter into the child's entry i from this row two columns back, and
                // an undoubled one from the row above one column back.
                if (rule_.doubled() != 0 && i >= low + 2 && query_[i - 1] == query_[i - 2] &&
                    std::uint64_t{here[i - 2]} + rule_.doubled() <= swap_bound(i))
                    *out++ = query_[i - 1];
                if (rule_.undoubled() != 0 && depth >= 1 && query_[i - 1] == c &&
                    std::uint64_t{above[i - 1]} + rule_.undoubled() <= entry_bound)
                    *out++ = c;
            }
        }
        slack = false;
        fringe_.list_end(out);
        return fringe_.listed_any();
    }

    // visit's loop for a band of 2 * kBand + 1 entries that starts and ends inside the query:
    // the entry before it and the one past it stand at the bound, so the row's distance is
    // beyond it too. `here`, `above` and those of `behind` point at the band's first entry and
    // its character; returns the band's least entry.
    Entry inner_band(Entry* here, const Entry* above, std::size_t low, char32_t c,
                     typename Rows::Node node, Behind<Entry> behind) {
        const char32_t* query = behind.query;
        const Entry beyond = max_dist_ + 1;
        Entry left = beyond;
        Entry least = beyond;
        // Signed: the band reads one and two places before its first entry.
        for (std::ptrdiff_t s = 0; s < kBandEntries; ++s) {
            behind.i = s;
            left = rule_.step(above[s], left, above[s - 1], low + static_cast<std::size_t>(s),
                              query[s - 1] == c, node, behind);
            here[s] = left;
            least = std::min(least, left);
        }
        here[kBandEntries] = beyond;
        return least;
    }

    // Offers the node just computed to the collector; says whether its children are to be
    // entered.
    Visited offer(std::uint32_t node, std::size_t depth, Entry distance, Entry least) {
        const bool enter = collector_.visited(node, depth, distance, least,
                                              OfferedText{rows_.path(depth), interrupt_});
        return {.enter = enter, .least = least, .slack = false};
    }

    // Pushes the children of the node just visited on the fringe (band_fringe.h): at the
    // collector's bound, only those that carry a bound character.
    [[gnu::always_inline]] void push_children(Pending parent, const Visited& visited) {
        const auto [start, end] = trie_.child_run(parent.node);
        if (start >= end) return;
        const std::size_t depth = parent.depth;
        bool at_bound;
        if constexpr (Caps::kActive || !Rows::kBoundCharacters) {
            // capped_fringe listed the bound characters
            at_bound = !visited.slack && !every_child();
        } else {
            at_bound = Rows::kBoundCharacters && visited.least >= bound();
            if (at_bound &&
                !fringe_.find(rows_.row(depth), depth, visited.least, deeper_, further_,
                              depth >= 1 ? rows_.path()[depth - 1] : CharArray::kAbsent))
                return;
        }
        rows_.reserve(depth + 1);
        fringe_.push_children(start, end, parent.depth, at_bound);
    }

    const Trie& trie_;
    std::span<const char32_t> query_;
    std::size_t n_;  // the query's length
    Rows rule_;
    Entry max_dist_;
    // How far below and above the diagonal an entry within max_dist can lie (band_rows.h).
    Entry deeper_, further_;
    BandRows<Entry> rows_;
    Fringe<Entry, Rows, kBand> fringe_;
    Collector collector_;
    WalkInterrupt& interrupt_;
    [[no_unique_address]] Caps caps_;
};

// Runs the walk with 32-bit row entries when every value it meets fits, which is any query
// shorter than about 4 G characters, and with 64-bit ones otherwise or when `wide_entries`
// asks for them (the tests do).
template <class Rows, class Collector, class Caps = NoCaps>
Collector run(const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist,
              Rows rule, Collector collector, WalkInterrupt& interrupt, bool wide_entries,
              Caps caps = {}) {
    // Entries never exceed n plus the deepest depth edits, so a larger bound accepts exactly
    // what that accepts: the bound is clamped here, once, before the band and the entries'
    // width are chosen from it.
    const std::uint64_t deepest = std::uint64_t{query.size()} + trie.shape()->max_depth;
    max_dist = std::min(max_dist, deepest * rule.dearest());
    // The largest value a row's arithmetic meets: that, plus one for the bound past max_dist
    // and one edit for a step.
    const std::uint64_t largest = (deepest + 1) * rule.dearest() + 1;
    const Spare<WalkBuffers> buffers;
    if (!wide_entries && largest <= std::numeric_limits<std::uint32_t>::max()) {
        // A reach of 2 and 3 columns gets its unrolled band when rows are banded. At 1 the
        // band is three entries and most nodes stand at the bound: the masks cost more there
        // than the short loops and lists they replace.
        const auto fixed = [&]<std::size_t kBand>() {
            return BandWalk<std::uint32_t, Rows, Collector, kBand, Caps>(
                       trie, query, max_dist, std::move(rule), std::move(collector), interrupt,
                       *buffers, caps)
                .run();
        };
        if constexpr (!Caps::kActive) {
            const std::uint64_t reach = rule.deeper(max_dist);
            if (reach == rule.further(max_dist) && 2 * reach + 2 < std::uint64_t{query.size()} + 1) {
                if (reach == 2) return fixed.template operator()<2>();
                if (reach == 3) return fixed.template operator()<3>();
            }
        }
        return fixed.template operator()<0>();
    }
    return BandWalk<std::uint64_t, Rows, Collector, 0, Caps>(
               trie, query, max_dist, std::move(rule), std::move(collector), interrupt, *buffers,
               caps)
        .run();
}

// The same with the row rule of `metric`.
template <class Collector, class Caps = NoCaps>
Collector run(const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist,
              Metric metric, Collector collector, WalkInterrupt& interrupt,
              bool wide_entries = false, Caps caps = {}) {
    return with_rule(metric, query, [&]<class Rows>(Rows rule) -> Collector {
        return run(trie, query, max_dist, std::move(rule), std::move(collector), interrupt,
                   wide_entries, caps);
    });
}

}  // namespace brindlemap::band_walk
