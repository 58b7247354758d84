// The specialised walk over a trie whose shape check passed: depth-indexed band rows, an explicit
// stack of nodes, and the Matcher's pruning and child order, generic over the row rule and over
// what is collected. Its instantiations are made in fast_walk.cpp, best_walk.cpp and
// completion.cpp.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "prefix/matcher/row_rules.h"
#include "prefix/matcher/split_caps.h"
#include "prefix/matcher/walk_interrupt.h"
#include "prefix/trie/trie.h"
#include "prefix/utf8.h"

namespace brindlemap::band_walk {

struct Pending {
    std::uint32_t node;
    std::uint32_t depth;
};

// Entry i of a row at depth k is at least |k - i|, so only the band of entries i within
// max_dist of k can be within max_dist; the others stand at max_dist + 1 without being computed.
// Each row keeps its band and one entry past its end, where the child reads that bound.
//
// When the band is narrower than the query, a row at depth k keeps entries k - max_dist to
// k + max_dist + 1 in its 2 * max_dist + 2 slots: slot j is the entry of diagonal j - max_dist,
// the same slot at every depth. Otherwise rows are whole, slot i holding entry i.
//
// Rows follows one of row_rules.h. Collector decides what is accepted and how far the walk
// goes: done() ends the walk; bound() is the distance beyond which no entry is of use to it;
// enter_root(distance) and visited(node, depth, distance, least, text) see each node, the
// root first, and say whether to enter its children. `distance` is the whole query's distance
// to the node's text when it is within max_dist, and max_dist + 1 otherwise; `least` is the
// least entry of the node's row (no descendant's row has a smaller one); `text` makes the
// node's text on demand.
//
// kBand, when not 0, is max_dist known at compile time for banded rows: a node whose band
// lies inside the query, the common case, then computes its fixed number of entries in an
// unrolled loop.
//
// Caps is NoCaps, or HalfCaps for one walk of a forward-backward search (split_caps.h), which
// holds the entries of some columns to a lower bound; such walks take the general loop.
template <class Entry, class Rows, class Collector, std::size_t kBand = 0, class Caps = NoCaps>
class BandWalk {
    static_assert(kBand == 0 || !Caps::kActive);
    static_assert(!Caps::kActive || Rows::kUnitCosts, "the caps count edits");

  public:
    BandWalk(const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist,
             Collector collector, WalkInterrupt& interrupt, Caps caps = {})
        : trie_(trie),
          query_(query),
          n_(query.size()),
          // Entries never exceed n plus the deepest depth edits, so a larger bound accepts
          // exactly what that accepts; the dispatcher chose an Entry that holds it plus two
          // edits.
          max_dist_(static_cast<Entry>(std::min<std::uint64_t>(
              max_dist, (n_ + trie.shape()->max_depth) * std::uint64_t{Rows::kDearest}))),
          banded_(2 * std::uint64_t{max_dist_} + 2 < n_ + 1),
          width_(banded_ ? 2 * std::size_t{max_dist_} + 2 : n_ + 1),
          row_step_(banded_ ? width_ - 1 : width_),
          row_offset_(banded_ ? max_dist_ : 0),
          // The deepest row a walk can need is that of depth n + max_dist + 1.
          reachable_(static_cast<std::size_t>(
              std::min<std::uint64_t>(trie.shape()->max_depth, n_ + std::uint64_t{max_dist_} + 1))),
          collector_(std::move(collector)),
          interrupt_(interrupt),
          caps_(caps) {
        // Most walks stop far short of the deepest row: the rows grow with the depth reached,
        // from a first allocation of kInitialDepths rows at most, and of kInitialBytes at most
        // beyond the first two.
        const std::size_t first_depths =
            std::clamp<std::size_t>(kInitialBytes / (width_ * sizeof(Entry)), 2, kInitialDepths);
        grow(std::min(reachable_, first_depths - 1));
        // Two characters at most per entry of a band, the entry past it included, and three
        // per entry of a child's band in a HalfCaps walk.
        fringe_.resize(3 * width_ + 6);
        if constexpr (kBand != 0) {
            padded_query_.assign(n_ + kBandEntries + 2, CharArray::kAbsent);
            std::ranges::copy(query_, padded_query_.begin() + 1);
        }
    }

    // Walks the trie and hands back the collector with what it collected.
    Collector run() && {
        // The root: never accepted, its least entry 0 is within any bound.
        Entry* root = row(0);
        const std::size_t root_last = banded_ ? std::size_t{max_dist_} : n_;
        for (std::size_t i = 0; i <= root_last; ++i) root[i] = Rows::template root_entry<Entry>(i);
        if (root_last < n_) root[root_last + 1] = max_dist_ + 1;
        // The root's text is empty: the whole query is deleted from it.
        const std::uint64_t deleted = Rows::template root_entry<std::uint64_t>(n_);
        const std::uint64_t root_distance =
            deleted <= max_dist_ ? deleted : std::uint64_t{max_dist_} + 1;
        if (collector_.done() || !collector_.enter_root(root_distance))
            return std::move(collector_);
        if constexpr (Caps::kActive) {
            if (!capped_fringe(0, CharArray::kAbsent, nullptr)) return std::move(collector_);
        }
        schedule_children(0, 0);
        // A visit's work is at most its band and its share of its parent's scheduling: the
        // interrupt is charged for a batch of visits at once, which keeps it off the hot path.
        const std::size_t batch = std::max<std::size_t>(1, WalkInterrupt::kInterval / (width_ + 1));
        std::size_t visits_before_charge = batch;
        while (!stack_.empty()) {
            if (--visits_before_charge == 0) {
                visits_before_charge = batch;
                interrupt_.charge(batch * (width_ + 1));
            }
            const Pending next = stack_.back();
            stack_.pop_back();
            const bool enter = visit(next);
            if (collector_.done()) break;  // nothing later is accepted or entered
            if (enter) schedule_children(next.node, next.depth);
        }
        return std::move(collector_);
    }

  private:
    static constexpr std::size_t kInitialDepths = 64;
    static constexpr std::size_t kInitialBytes = std::size_t{1} << 20;
    static constexpr std::size_t kFewSiblings = 8;
    static constexpr std::ptrdiff_t kBandEntries = 2 * static_cast<std::ptrdiff_t>(kBand) + 1;

    // The row at `depth`, placed so that entry i is at row(depth)[i]: banded rows start
    // depth - max_dist entries before their first slot, and that address lies within the
    // buffer for every entry of the band.
    Entry* row(std::size_t depth) noexcept {
        return rows_.data() + (depth * row_step_ + row_offset_);
    }

    // Makes room for the rows down to `depth` and the path's characters above it.
    void reserve_depth(std::size_t depth) {
        if (depth >= depths_) [[unlikely]]
            grow(depth);
    }

    [[gnu::noinline]] void grow(std::size_t depth) {
        const std::size_t depths = std::max(depth + 1, std::min(2 * depths_, reachable_ + 1));
        if (width_ > std::numeric_limits<std::size_t>::max() / sizeof(Entry) / depths)
            throw std::bad_alloc();
        rows_.resize(depths * width_);
        path_.resize(depths);
        depths_ = depths;
    }

    // Computes the node's row from the rows above it and offers the node; returns whether its
    // children are to be entered. Every computed entry lies between min(true value,
    // max_dist + 1) and the true value, so the entries within max_dist, the least entry's test
    // and the offered distances are exactly those of the full row. With transpositions, entry i
    // may come from entry i - 2 two rows up: the same diagonal, so within that row's band.
    bool visit(Pending pending) {
        const std::size_t depth = pending.depth;
        const Entry beyond = max_dist_ + 1;
        const std::size_t low = depth - std::min<std::size_t>(depth, max_dist_);
        if (low > n_) return false;  // the least entry is depth - n, beyond max_dist
        const std::size_t high = std::min<std::size_t>(n_, depth + max_dist_);
        const char32_t c = trie_.node_strings().raw(pending.node);
        path_[depth - 1] = c;
        Entry* here = row(depth);
        const Entry* above = here - row_step_;
        // Transpositions read the row and the character two depths up, from depth 2 on.
        [[maybe_unused]] const Entry* two_above = above;
        [[maybe_unused]] char32_t parent_c = CharArray::kAbsent;
        if constexpr (Rows::kTranspositions) {
            if (depth >= 2) {
                two_above = above - row_step_;
                parent_c = path_[depth - 2];
            }
        }
        if constexpr (kBand != 0) {
            // A swap reads two entries before the band's first: from low 2 on.
            if (low >= (Rows::kTranspositions ? 2 : 1) && high != n_)
                return offer(pending.node, depth, beyond,
                             inner_band(here + low, above + low, two_above + low, c, parent_c,
                                        query_.data() + low));
        }
        Entry left = beyond;
        std::size_t i = low;
        if (low == 0) {
            left = caps_.column(0, beyond).whole(Rows::first_entry(above[0]));
            here[0] = left;
            i = 1;
        }
        Entry least = left;
        for (; i <= high; ++i) {
            left = Rows::step(above[i], left, above[i - 1], query_[i - 1] == c,
                              [&] {
                                  return i >= 2 && query_[i - 1] == parent_c &&
                                                 query_[i - 2] == c
                                             ? two_above[i - 2]
                                             : beyond;
                              },
                              caps_.column(i, beyond));
            here[i] = left;
            least = std::min(least, left);
        }
        if (high < n_) here[high + 1] = beyond;
        if constexpr (Caps::kActive) {
            // A child can be of use even when the node's own row lies beyond the bound: by a
            // swap from the row above across a held column.
            const Entry distance = high == n_ ? here[n_] : beyond;
            return offer(pending.node, depth, distance,
                         capped_fringe(depth, c, above) ? std::min(least, max_dist_) : beyond);
        }
        return offer(pending.node, depth, high == n_ ? here[n_] : beyond, least);
    }

    // In a HalfCaps walk, which children of the node just computed (at `depth`, carrying `c`,
    // its parent's row `above`) can be of use, by the bound of each column that a child's entry
    // comes into (see capped_entry): all of them when some entry can grow by an edit and stay
    // within its bound (capped_slack_), or else only those whose character keeps an entry
    // within its bound, along the diagonal or by a swap, listed in fringe_. Returns whether
    // any child can be of use.
    bool capped_fringe(std::size_t depth, char32_t c, const Entry* above) {
        const Entry* here = row(depth);
        const std::size_t low = depth - std::min<std::size_t>(depth, max_dist_);
        const std::size_t child_low = depth + 1 - std::min<std::size_t>(depth + 1, max_dist_);
        const std::size_t child_high = std::min<std::size_t>(n_, depth + 1 + max_dist_);
        const std::uint64_t k = max_dist_;
        const auto held = [&](std::size_t i) { return i < caps_.whole_below; };
        [[maybe_unused]] const auto swap_bound = [&](std::size_t i) -> std::uint64_t {
            return held(i) || i == caps_.entry_column || i == caps_.swap_column ? caps_.cap : k;
        };
        char32_t* out = fringe_.data();
        bool slack = false;
        for (std::size_t i = child_low; i <= child_high; ++i) {
            // What the node's character adds in column i; an entry past the band's end is
            // beyond the bound.
            const std::uint64_t vertical_bound = held(i) ? caps_.cap : k;
            if (i >= low && std::uint64_t{here[i]} + Rows::kInsert <= vertical_bound) slack = true;
            if (i == 0) continue;
            const std::uint64_t entry_bound =
                held(i) || i == caps_.entry_column ? caps_.cap : k;
            const std::uint64_t diagonal = here[i - 1];
            if (diagonal + Rows::kSubstitute <= entry_bound) slack = true;
            if (diagonal <= entry_bound) *out++ = query_[i - 1];
            if constexpr (Rows::kTranspositions) {
                // A swap into the child's entry i, from the row above, through this node.
                if (depth >= 1 && i >= 2 && query_[i - 1] == c &&
                    std::uint64_t{above[i - 2]} + Rows::kTranspose <= swap_bound(i))
                    *out++ = query_[i - 2];
                // A swap into a grandchild's entry i + 1 from this row, through the child.
                if (i < n_ && diagonal + Rows::kTranspose <= swap_bound(i + 1))
                    *out++ = query_[i];
            }
        }
        capped_slack_ = slack;
        fringe_size_ = static_cast<std::size_t>(out - fringe_.data());
        return slack || fringe_size_ != 0;
    }

    // visit's loop for a band of 2 * kBand + 1 entries that starts and ends inside the query:
    // the entry before it and the one past it stand at the bound, so the row's distance is
    // beyond it too. `here`, `above`, `two_above` and `query` point at the band's first entry
    // and its character; returns the band's least entry.
    Entry inner_band(Entry* here, const Entry* above, [[maybe_unused]] const Entry* two_above,
                     char32_t c, [[maybe_unused]] char32_t parent_c, const char32_t* query) {
        const Entry beyond = max_dist_ + 1;
        Entry left = beyond;
        Entry least = beyond;
        // Signed: the band reads one and two places before its first entry.
        for (std::ptrdiff_t s = 0; s < kBandEntries; ++s) {
            left = Rows::step(above[s], left, above[s - 1], query[s - 1] == c, [&] {
                return query[s - 1] == parent_c && query[s - 2] == c ? two_above[s - 2] : beyond;
            });
            here[s] = left;
            least = std::min(least, left);
        }
        here[kBandEntries] = beyond;
        return least;
    }

    // Offers the node just computed to the collector, keeping its least entry for
    // schedule_children; returns whether its children are to be entered.
    bool offer(std::uint32_t node, std::size_t depth, Entry distance, Entry least) {
        least_ = least;
        return collector_.visited(node, depth, distance, least, [&] {
            interrupt_.charge(depth);
            return utf8::encode_all(std::span(path_).first(depth));
        });
    }

    // Pushes the children so that the one carrying the query's next character is popped
    // first and the others follow in stored order. Siblings are distinct, so at most one is.
    //
    // When the node's least entry equals the collector's bound, a child's entry can stay
    // within it only along the diagonal from an entry at the bound, through a character that
    // matches the query there (or, with transpositions, a swap from the row above): the other
    // children could be neither accepted nor entered, and are left out without computing their
    // rows.
    void schedule_children(std::uint32_t node, std::uint32_t depth) {
        const auto [start, end] = trie_.child_run(node);
        if (start >= end) return;
        bool at_bound;
        if constexpr (Caps::kActive) {
            at_bound = !capped_slack_;  // capped_fringe found the fringe when visiting
        } else {
            at_bound = least_ >= collector_.bound();
            if (at_bound && !find_fringe(depth)) return;
        }
        reserve_depth(std::size_t{depth} + 1);
        // Few siblings are cheaper to scan than to search.
        if (at_bound && trie_.shape()->sorted_runs && end - start > kFewSiblings) {
            if (fringe_in_masks_) fringe_from_masks();
            return schedule_fringe(start, end, depth);
        }
        const bool has_next = depth < n_;
        const char32_t wanted = has_next ? query_[depth] : CharArray::kAbsent;
        std::uint32_t promoted = 0;
        bool found = false;
        const bool numbered_in_order = trie_.shape()->breadth_first;
        // The children's own runs are read when they are visited, soon after: start fetching
        // their line of node_shifts while this node's children are scheduled.
        if (numbered_in_order) __builtin_prefetch(&trie_.node_shifts()[start]);
        for (std::size_t p = end; p-- > start;) {
            const std::uint32_t child =
                numbered_in_order ? static_cast<std::uint32_t>(p + 1) : trie_.child_index(p);
            if (at_bound && !in_fringe(trie_.node_strings().raw(child))) continue;
            if (has_next && trie_.node_strings().raw(child) == wanted) {
                promoted = child;
                found = true;
                continue;
            }
            stack_.push_back(Pending{child, depth + 1});
        }
        if (found) stack_.push_back(Pending{promoted, depth + 1});
    }

    // schedule_children at the bound on sorted runs: the few children that carry a fringe
    // character are found by binary search instead of reading every sibling.
    void schedule_fringe(std::size_t start, std::size_t end, std::uint32_t depth) {
        const auto child_at = [&](std::size_t p) {
            return trie_.shape()->breadth_first ? static_cast<std::uint32_t>(p + 1)
                                                : trie_.child_index(p);
        };
        const auto character_at = [&](std::size_t p) {
            return trie_.node_strings().raw(child_at(p));
        };
        found_.clear();
        for (const char32_t c : fringe()) {
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
        // As schedule_children pushes them: stored order from the top, the query's next
        // character first of all.
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

    // Fills fringe_ with the characters through which a child of the node just visited, at
    // `depth`, can keep an entry at the bound; false when there are none. The buffer has room
    // for two characters per entry of a row, so it is written without checks.
    bool fringe_characters(std::size_t depth) {
        const Entry bound = least_;
        const Entry* here = row(depth);
        const char32_t* query = query_.data();
        const std::size_t low = depth - std::min<std::size_t>(depth, max_dist_);
        // Entry n has no character after it.
        const std::size_t end = std::min<std::size_t>(n_, depth + max_dist_ + 1);
        [[maybe_unused]] const char32_t own = depth >= 1 ? path_[depth - 1] : CharArray::kAbsent;
        char32_t* out = fringe_.data();
        for (std::size_t j = low; j < end; ++j) {
            if (here[j] != bound) continue;
            *out++ = query[j];
            // A swap into the child's entry j + 1 needs the node's own character at query[j]
            // and the child's at query[j - 1].
            if constexpr (Rows::kTranspositions) {
                if (j >= 1 && query[j] == own) *out++ = query[j - 1];
            }
        }
        fringe_size_ = static_cast<std::size_t>(out - fringe_.data());
        return fringe_size_ != 0;
    }

    // find_fringe for the node just visited at `depth`: with a fixed band that lies past the
    // query's start, the entries at the bound are marked in masks over the band's entries,
    // without a branch per entry; otherwise fringe_characters lists their characters.
    bool find_fringe(std::size_t depth) {
        if constexpr (kBand != 0) {
            if (depth > kBand) {
                fringe_in_masks_ = true;
                return fringe_masks(depth);
            }
            fringe_in_masks_ = false;
        }
        return fringe_characters(depth);
    }

    // Bit s of along_ marks band entry low + s at the bound, whose child entry needs
    // query[low + s]; with transpositions, bit s of swapped_ marks the same entry when a swap
    // can leave from it, which needs query[low + s - 1]. Entries at or past the query's end have
    // no character after them and are left unmarked.
    bool fringe_masks(std::size_t depth) {
        const Entry bound = least_;
        const std::size_t low = depth - kBand;
        const Entry* here = row(depth) + low;
        const char32_t* query = padded_query_.data() + 1 + low;
        [[maybe_unused]] const char32_t own = path_[depth - 1];
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
        fringe_low_ = low;
        along_ = along & valid;
        swapped_ = swapped & valid;
        return (along_ | swapped_) != 0;
    }

    // Whether a child carrying `c` is on the fringe find_fringe found.
    bool in_fringe(char32_t c) const noexcept {
        if constexpr (kBand != 0) {
            if (fringe_in_masks_) {
                const char32_t* query = padded_query_.data() + 1 + fringe_low_;
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
        return std::ranges::find(fringe(), c) != fringe().end();
    }

    // Lists the characters of the masks in fringe_, for the binary search.
    void fringe_from_masks() {
        const char32_t* query = padded_query_.data() + 1 + fringe_low_;
        char32_t* out = fringe_.data();
        for (std::uint64_t m = along_; m != 0; m &= m - 1) *out++ = query[std::countr_zero(m)];
        for (std::uint64_t m = swapped_; m != 0; m &= m - 1)
            *out++ = query[std::countr_zero(m) - 1];
        fringe_size_ = static_cast<std::size_t>(out - fringe_.data());
    }

    std::span<const char32_t> fringe() const noexcept {
        return std::span(fringe_).first(fringe_size_);
    }

    const Trie& trie_;
    std::span<const char32_t> query_;
    std::size_t n_;  // the query's length
    Entry max_dist_;
    bool banded_;
    std::size_t width_;                  // slots per row
    std::size_t row_step_, row_offset_;  // where rows stand: see row()
    std::size_t reachable_;              // the deepest depth a row may be needed at
    Collector collector_;
    WalkInterrupt& interrupt_;
    [[no_unique_address]] Caps caps_;
    bool capped_slack_ = false;  // see capped_fringe
    std::size_t depths_ = 0;      // the depths rows_ has room for
    std::vector<Entry> rows_;     // the row of the node on the current path at each depth
    std::vector<char32_t> path_;  // the characters of the current path, by depth
    std::vector<Pending> stack_;
    Entry least_ = 0;               // the least entry of the row of the node last visited
    std::vector<char32_t> fringe_;  // see fringe_characters; fringe() is what it holds
    std::size_t fringe_size_ = 0;
    // The fringe as masks (see fringe_masks) when fringe_in_masks_.
    bool fringe_in_masks_ = false;
    std::size_t fringe_low_ = 0;
    std::uint64_t along_ = 0, swapped_ = 0;
    // The query between two absent characters, one before it and a band's width after it, so
    // that a fixed band reads past either end without a check.
    std::vector<char32_t> padded_query_;
    std::vector<std::size_t> found_;  // see schedule_fringe
};

// Runs the walk with 32-bit row entries when every value it meets fits, which is any query
// shorter than about 4 G characters, and with 64-bit ones otherwise or when `wide_entries`
// asks for them (the tests do).
template <class Rows, class Collector, class Caps = NoCaps>
Collector run(const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist,
              Collector collector, WalkInterrupt& interrupt, bool wide_entries, Caps caps = {}) {
    // The largest value a row's arithmetic meets: n plus the deepest depth edits, plus one for
    // the bound past max_dist and one edit for a step.
    const std::uint64_t largest =
        (std::uint64_t{query.size()} + trie.shape()->max_depth + 1) * Rows::kDearest + 1;
    if (!wide_entries && largest <= std::numeric_limits<std::uint32_t>::max()) {
        // max_dist 2 and 3 get their unrolled band when rows are banded. At max_dist 1 the
        // band is three entries and most nodes stand at the bound: the masks cost more there
        // than the short loops and lists they replace.
        const auto fixed = [&]<std::size_t kBand>() {
            return BandWalk<std::uint32_t, Rows, Collector, kBand, Caps>(
                       trie, query, max_dist, std::move(collector), interrupt, caps)
                .run();
        };
        if constexpr (!Caps::kActive) {
            if (2 * max_dist + 2 < std::uint64_t{query.size()} + 1) {
                if (max_dist == 2) return fixed.template operator()<2>();
                if (max_dist == 3) return fixed.template operator()<3>();
            }
        }
        return fixed.template operator()<0>();
    }
    return BandWalk<std::uint64_t, Rows, Collector, 0, Caps>(trie, query, max_dist,
                                                             std::move(collector), interrupt, caps)
        .run();
}

// The same with the row rule of `metric`.
template <class Collector, class Caps = NoCaps>
Collector run(Metric metric, const Trie& trie, std::span<const char32_t> query,
              std::uint64_t max_dist, Collector collector, WalkInterrupt& interrupt,
              bool wide_entries = false, Caps caps = {}) {
    if (metric == Metric::osa)
        return run<OsaRows>(trie, query, max_dist, std::move(collector), interrupt, wide_entries,
                            caps);
    return run<LevenshteinRows>(trie, query, max_dist, std::move(collector), interrupt,
                                wide_entries, caps);
}

}  // namespace brindlemap::band_walk
