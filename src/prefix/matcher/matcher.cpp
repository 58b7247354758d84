// The Matcher's rows, acceptance, pruning and child order.
#include "prefix/matcher/matcher.h"

#include <algorithm>
#include <limits>
#include <new>

#include "prefix/failure.h"
#include "prefix/matcher/row_rules.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// The general walk's distance: Levenshtein, whose step has no swap to read.
using Rows = LevenshteinRows;

constexpr std::string_view kCurPrefix = "CUR_PREFIX";
constexpr std::string_view kPrevRow = "PREV_ROW";
constexpr std::string_view kCurRow = "CUR_ROW";

template <class T>
const T& required(const State& state, std::string_view key) {
    const T* value = state.get<T>(key);
    if (value == nullptr) panic_unwrap_none();
    return *value;
}

}  // namespace

Matcher::Matcher(std::vector<char32_t> query, std::uint64_t max_dist,
                 std::optional<std::uint64_t> limit, WalkInterrupt& interrupt)
    : query_(std::move(query)),
      max_dist_(max_dist),
      limit_(limit),
      interrupt_(&interrupt),
      rows_(query_.size() + 1) {}

std::size_t Matcher::RowArena::acquire() {
    if (!free_.empty()) {
        const std::size_t slot = free_.back();
        free_.pop_back();
        return slot;
    }
    const std::size_t slot = readers_.size();
    if (width_ > std::numeric_limits<std::size_t>::max() / sizeof(std::uint64_t) / (slot + 2))
        throw std::bad_alloc();
    entries_.resize((slot + 1) * width_);
    readers_.push_back(0);
    return slot;
}

void Matcher::RowArena::hold(std::size_t slot, std::size_t readers) {
    readers_[slot] = readers;
    if (readers == 0) free_.push_back(slot);
}

void Matcher::RowArena::release(std::size_t slot) {
    if (--readers_[slot] == 0) free_.push_back(slot);
}

State Matcher::initial_state() const {
    State state;
    state.put(kCurPrefix, TextRef{0, 0});
    return state;
}

void Matcher::visit_node(std::uint32_t node, std::optional<std::uint32_t> payload, State& state) {
    const std::size_t n = query_.size();
    const TextRef text = required<TextRef>(state, kCurPrefix);
    interrupt_->charge(n + 1);
    const std::size_t slot = rows_.acquire();
    std::uint64_t* here = rows_.row(slot);
    state.put(kCurRow, RowRef{slot});
    if (text.depth == 0) {
        // The root: the distances of the query's leading parts to the empty text. The root
        // stands for no word, whatever its payload.
        for (std::size_t i = 0; i <= n; ++i) here[i] = Rows::root_entry<std::uint64_t>(i);
        return;
    }
    const std::size_t parent = required<RowRef>(state, kPrevRow).slot;
    const std::uint64_t* above = rows_.row(parent);
    const char32_t c = text.last;
    std::uint64_t left = Rows::first_entry(above[0], Rows::Node{});
    const Behind<std::uint64_t> behind{};  // Levenshtein has no edits of two characters
    here[0] = left;
    for (std::size_t i = 1; i <= n; ++i) {
        left = Rows::step(above[i], left, above[i - 1], i, query_[i - 1] == c, Rows::Node{},
                          behind);
        here[i] = left;
    }
    rows_.release(parent);

    if (path_.size() < text.depth) path_.resize(std::max(text.depth, 2 * path_.size()));
    path_[text.depth - 1] = c;
    // Accept on the whole query against the whole text: beginning like the query is not enough.
    if (payload && here[n] <= max_dist_ && !limit_reached()) {
        results_.push_back(
            MatchRecord{utf8::encode_all(std::span(path_).first(text.depth)), node, here[n]});
    }
}

void Matcher::get_children_to_visit(std::uint32_t, const State& state,
                                    std::span<const Child> children, ChildrenToVisit& out) const {
    const std::size_t slot = required<RowRef>(state, kCurRow).slot;
    const std::uint64_t* here = rows_.row(slot);
    const std::size_t depth = required<TextRef>(state, kCurPrefix).depth;
    interrupt_->charge(children.size());
    // No entry of a row falls below its parent's least entry, so once that exceeds max_dist
    // nothing below can match.
    if (limit_reached() || *std::min_element(here, here + query_.size() + 1) > max_dist_) {
        rows_.hold(slot, 0);
        return;
    }

    // The child carrying the next query character is entered first. Should several carry it,
    // the last stored one is promoted and the others keep their stored places: no child is
    // ever dropped.
    std::size_t promoted = children.size();
    if (depth < query_.size()) {
        for (std::size_t i = children.size(); i-- > 0;) {
            if (children[i].character == query_[depth]) {
                promoted = i;
                break;
            }
        }
    }

    // Visiting order: the promoted child, then the others in stored order. Each refers to this
    // node's row and text rather than copying them.
    const std::size_t count = children.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = promoted == count ? k : k == 0 ? promoted : k <= promoted ? k - 1 : k;
        State& next = out.schedule(children[i].node);
        next.put(kPrevRow, RowRef{slot});
        next.put(kCurPrefix, TextRef{depth + 1, children[i].character});
    }
    rows_.hold(slot, count);
}

}  // namespace brindlemap
