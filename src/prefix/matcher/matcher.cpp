// The Matcher's rows, acceptance, pruning and child order.
#include "prefix/matcher/matcher.h"

#include <algorithm>

#include "boundary/panic.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

constexpr std::string_view kCurPrefix = "CUR_PREFIX";
constexpr std::string_view kPrevRow = "PREV_ROW";
constexpr std::string_view kCurRow = "CUR_ROW";

template <class T>
const T& required(const State& state, std::string_view key) {
    const T* value = state.get<T>(key);
    if (value == nullptr) panic_unwrap_none();
    return *value;
}

std::string to_utf8(std::span<const char32_t> characters) {
    std::string text;
    text.reserve(characters.size());
    for (char32_t c : characters) utf8::append(text, c);
    return text;
}

}  // namespace

Matcher::Matcher(std::vector<char32_t> query, std::uint64_t max_dist,
                 std::optional<std::uint64_t> limit)
    : query_(std::move(query)), max_dist_(max_dist), limit_(limit) {}

State Matcher::initial_state() const {
    State state;
    state.put(kCurPrefix, State::Characters());
    return state;
}

void Matcher::visit_node(std::uint32_t node, std::optional<std::uint32_t> payload, State& state) {
    const std::size_t n = query_.size();
    // Taken first: adding the row's entry may move the entries that get returns.
    State::Integers& row = state.put_in_place<State::Integers>(kCurRow);
    const State::Characters& prefix = required<State::Characters>(state, kCurPrefix);
    if (prefix.empty()) {
        // The root: the distances of the query's leading parts to the empty text. The root
        // stands for no word, whatever its payload.
        row.resize(n + 1);
        for (std::size_t i = 0; i <= n; ++i) row[i] = i;
        return;
    }
    const State::Integers& above = required<State::Integers>(state, kPrevRow);
    if (above.size() < n + 1) panic_index_out_of_bounds(above.size(), above.size());
    const char32_t c = prefix.back();

    row.resize(n + 1);
    std::uint64_t left = above[0] + 1;
    row[0] = left;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::uint64_t replace = above[i - 1] + (query_[i - 1] == c ? 0 : 1);
        left = std::min({above[i] + 1, left + 1, replace});
        row[i] = left;
    }

    // Accept on the whole query against the whole text: beginning like the query is not enough.
    if (payload && row[n] <= max_dist_ && !limit_reached())
        results_.push_back(MatchRecord{to_utf8(prefix), node, row[n]});
}

void Matcher::get_children_to_visit(std::uint32_t, const State& state,
                                    std::span<const Child> children, ChildrenToVisit& out) const {
    const State::Integers& row = required<State::Integers>(state, kCurRow);
    const State::Characters& prefix = required<State::Characters>(state, kCurPrefix);
    if (row.empty()) panic_unwrap_none();
    // No entry of a row falls below its parent's least entry, so once that exceeds max_dist
    // nothing below can match.
    if (limit_reached() || *std::min_element(row.begin(), row.end()) > max_dist_) return;

    // The child carrying the next query character is entered first. Should several carry it,
    // the last stored one is promoted and the others keep their stored places: no child is
    // ever dropped.
    const std::size_t depth = prefix.size();
    std::size_t promoted = children.size();
    if (depth < query_.size()) {
        for (std::size_t i = children.size(); i-- > 0;) {
            if (children[i].character == query_[depth]) {
                promoted = i;
                break;
            }
        }
    }

    // Visiting order: the promoted child, then the others in stored order.
    const std::size_t count = children.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = promoted == count ? k : k == 0 ? promoted : k <= promoted ? k - 1 : k;
        State& next = out.schedule(children[i].node);
        next.put_in_place<State::Integers>(kPrevRow).assign(row.begin(), row.end());
        State::Characters& text = next.put_in_place<State::Characters>(kCurPrefix);
        text.assign(prefix.begin(), prefix.end());
        text.push_back(children[i].character);
    }
}

}  // namespace brindlemap
