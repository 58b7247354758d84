// Child enumeration and payload lookup over the trie's arrays.
#include "prefix/trie/trie.h"

#include <algorithm>
#include <limits>

#include "prefix/failure.h"
#include "prefix/large_vector.h"
#include "prefix/trie/reversed_words.h"

namespace brindlemap {

Trie::Trie(TrieArrays arrays)
    : arrays_(std::move(arrays)),
      shape_(check_tree_shape(arrays_)),
      child_index_count_(arrays_.child_indices.size()),
      breadth_first_(shape_ && shape_->breadth_first) {
    if (breadth_first_) std::vector<std::uint32_t>().swap(arrays_.child_indices);
    arrays_.node_shifts.compact();
    arrays_.node_strings.narrow();
}

Trie::Trie(TrieArrays arrays, LevelByLevel)
    : arrays_(std::move(arrays)),
      shape_(check_level_by_level_shape(arrays_)),
      child_index_count_(arrays_.node_shifts.empty() ? 0 : arrays_.node_shifts.size() - 1),
      breadth_first_(true) {
    std::vector<std::uint32_t>().swap(arrays_.child_indices);
    arrays_.node_shifts.compact();
    arrays_.node_strings.narrow();
}

Trie::Trie(TrieArrays arrays, LevelByLevel, TreeShape shape)
    : arrays_(std::move(arrays)),
      shape_(shape),
      child_index_count_(arrays_.node_shifts.empty() ? 0 : arrays_.node_shifts.size() - 1),
      breadth_first_(true) {
    std::vector<std::uint32_t>().swap(arrays_.child_indices);
    arrays_.node_shifts.compact();
    arrays_.node_strings.narrow();
}

bool operator==(const Trie& a, const Trie& b) noexcept {
    if (a.arrays_.node_shifts != b.arrays_.node_shifts ||
        a.arrays_.node_strings != b.arrays_.node_strings ||
        a.arrays_.node_payloads != b.arrays_.node_payloads ||
        a.child_index_count_ != b.child_index_count_)
        return false;
    for (std::size_t p = 0; p < a.child_index_count_; ++p)
        if (a.child_index(p) != b.child_index(p)) return false;
    return true;
}

void Trie::get_children(std::uint32_t node_id, std::vector<Child>& out) const {
    out.clear();
    at_or_panic(arrays_.node_shifts, node_id);
    const auto [start, end] = child_run(node_id);
    for (std::size_t p = start; p < end; ++p) {
        const std::uint32_t child =
            breadth_first_ ? child_index(p) : at_or_panic(arrays_.child_indices, p);
        if (child >= arrays_.node_strings.size())
            panic_index_out_of_bounds(arrays_.node_strings.size(), child);
        char32_t c = arrays_.node_strings.raw(child);
        if (c == CharArray::kAbsent) panic_unwrap_none();
        out.push_back(Child{c, child});
    }
}

std::vector<Child> Trie::get_children(std::uint32_t node_id) const {
    std::vector<Child> children;
    get_children(node_id, children);
    return children;
}

const OffsetArray& Trie::subtree_least_payloads() const {
    std::call_once(least_payloads_->made, [&] {
        // Breadth first, then back from the deepest level: each child before its parent. On
        // the builder's layout that order is the nodes' own, and is not listed.
        const std::size_t nodes = arrays_.node_payloads.size();
        std::vector<std::uint32_t> least;
        if (breadth_first_ && shape_) {
            least = large_vector(nodes, std::numeric_limits<std::uint32_t>::max());
            // The payloads carried, taken from the last as the nodes are.
            const std::span<const std::uint32_t> carried = arrays_.node_payloads.carried();
            std::size_t next = carried.size();
            for (std::size_t node = nodes; node-- > 0;) {
                std::uint32_t lowest = arrays_.node_payloads.has(node)
                                           ? carried[--next]
                                           : std::numeric_limits<std::uint32_t>::max();
                const auto [start, end] = child_run(static_cast<std::uint32_t>(node));
                for (std::size_t child = start + 1; child < end + 1; ++child)
                    lowest = std::min(lowest, least[child]);
                least[node] = lowest;
            }
        } else {
            std::vector<std::uint32_t> order{0};
            order.reserve(nodes);
            for (std::size_t head = 0; head < order.size(); ++head) {
                const auto [start, end] = child_run(order[head]);
                for (std::size_t p = start; p < end; ++p) order.push_back(child_index(p));
            }
            least.assign(nodes, std::numeric_limits<std::uint32_t>::max());
            for (auto it = order.rbegin(); it != order.rend(); ++it) {
                const std::uint32_t node = *it;
                if (const std::optional<std::uint32_t> own = arrays_.node_payloads[node])
                    least[node] = std::min(least[node], *own);
                const auto [start, end] = child_run(node);
                for (std::size_t p = start; p < end; ++p)
                    least[node] = std::min(least[node], least[child_index(p)]);
            }
        }
        least_payloads_->value = OffsetArray(std::move(least));
        least_payloads_->value.compact();
    });
    return least_payloads_->value;
}

const WordOrder& Trie::word_order() const {
    std::call_once(word_order_->made, [&] {
        word_order_->value = read_ranks_ ? WordOrder{std::move(*read_ranks_)}
                                         : make_word_order(*this);
        read_ranks_.reset();
    });
    return word_order_->value;
}

const Trie* Trie::reversed(WalkInterrupt& interrupt) const {
    std::call_once(reversed_->made,
                   [&] { reversed_->value = make_reversed_trie(*this, interrupt); });
    return reversed_->value.get();
}

void Trie::adopt_reversed(std::unique_ptr<Trie> made) {
    std::call_once(reversed_->made, [&] { reversed_->value = std::move(made); });
}

void Trie::adopt_tables(RankTables tables) {
    std::call_once(least_payloads_->made,
                   [&] { least_payloads_->value = std::move(tables.least_payloads); });
    read_ranks_ = std::move(tables.ranks);
}

std::optional<std::uint32_t> Trie::get_payload(std::uint32_t node_id) const {
    return at_or_panic(arrays_.node_payloads, node_id);
}

}  // namespace brindlemap
