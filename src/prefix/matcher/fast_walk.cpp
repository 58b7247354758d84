// The specialised walk: depth-indexed rows of 32-bit entries, an explicit stack of nodes, and
// the Matcher's acceptance, pruning and child order, over a trie known to be well-formed.
#include "prefix/matcher/fast_walk.h"

#include <algorithm>
#include <limits>
#include <string>

#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// Rows beyond this many entries in all (64 MiB) are left to the general walk, whose memory
// does not grow with the depth of a branch.
constexpr std::uint64_t kMaxRowEntries = std::uint64_t{1} << 24;

// The deepest depth whose row the walk may compute: no node deeper than n + max_dist + 1 is
// ever visited.
std::uint64_t deepest_row(const TreeShape& shape, std::uint64_t n, std::uint64_t max_dist) {
    const std::uint64_t reachable =
        max_dist >= std::numeric_limits<std::uint64_t>::max() - n - 1 ? max_dist : n + max_dist + 1;
    return std::min<std::uint64_t>(shape.max_depth, reachable);
}

struct Pending {
    std::uint32_t node;
    std::uint32_t depth;
};

class Walk {
  public:
    Walk(const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist,
         std::optional<std::uint64_t> limit)
        : trie_(trie),
          query_(query),
          width_(query.size() + 1),
          // Entries never exceed n plus the deepest depth, which stays below the largest 32-bit
          // value here, so a larger bound accepts exactly what that sum accepts.
          max_dist_(static_cast<std::uint32_t>(
              std::min<std::uint64_t>(max_dist, query.size() + trie.shape->max_depth))),
          limit_(limit) {
        const std::size_t depths = deepest_row(*trie.shape, query.size(), max_dist) + 1;
        rows_.resize(depths * width_);
        path_.resize(depths);
    }

    std::vector<MatchRecord> run() {
        // The root: never accepted, its least entry 0 is within any bound.
        for (std::size_t i = 0; i < width_; ++i) rows_[i] = static_cast<std::uint32_t>(i);
        if (limit_reached()) return std::move(results_);
        schedule_children(0, 0);
        while (!stack_.empty()) {
            const Pending next = stack_.back();
            stack_.pop_back();
            const bool enter = visit(next);
            if (limit_reached()) break;  // nothing later is accepted or entered
            if (enter) schedule_children(next.node, next.depth);
        }
        return std::move(results_);
    }

  private:
    bool limit_reached() const noexcept { return limit_ && results_.size() >= *limit_; }

    // Computes the node's row from its parent's, one depth up, and accepts the node; returns
    // whether its children are to be entered.
    //
    // Entry i of a row at depth k is at least |k - i|, so only the band of entries i within
    // max_dist of k can be within max_dist; the others stand at max_dist + 1 without being
    // computed, and one such entry is written just past the band's end, where the child
    // reads it. Every computed entry lies between min(true value, max_dist + 1) and the true
    // value, so the entries within max_dist, the least entry's test and the accepted
    // distances are exactly those of the full row.
    bool visit(Pending pending) {
        const std::uint32_t depth = pending.depth;
        const std::size_t n = width_ - 1;
        const std::uint32_t beyond = max_dist_ + 1;
        const std::size_t low = depth > max_dist_ ? depth - max_dist_ : 0;
        if (low > n) return false;  // the least entry is depth - n, beyond max_dist
        const std::size_t high = std::min<std::size_t>(n, std::size_t{depth} + max_dist_);
        const char32_t c = trie_.node_strings.raw(pending.node);
        path_[depth - 1] = c;
        const std::uint32_t* above = &rows_[(depth - 1) * width_];
        std::uint32_t* row = &rows_[depth * width_];
        std::uint32_t left = beyond;
        std::size_t i = low;
        if (low == 0) {
            left = above[0] + 1;
            row[0] = left;
            i = 1;
        }
        std::uint32_t least = left;
        for (; i <= high; ++i) {
            const std::uint32_t replace = above[i - 1] + (query_[i - 1] == c ? 0 : 1);
            left = std::min(std::min(above[i], left) + 1, replace);
            row[i] = left;
            least = std::min(least, left);
        }
        if (high < n) row[high + 1] = beyond;
        if (high == n && row[n] <= max_dist_ && trie_.node_payloads.has(pending.node))
            accept(pending.node, depth, row[n]);
        return least <= max_dist_;
    }

    void accept(std::uint32_t node, std::uint32_t depth, std::uint32_t distance) {
        std::string text;
        text.reserve(depth);
        for (std::uint32_t i = 0; i < depth; ++i) utf8::append(text, path_[i]);
        results_.push_back(MatchRecord{std::move(text), node, distance});
    }

    // Pushes the children so that the one carrying the query's next character is popped
    // first and the others follow in stored order. Siblings are distinct, so at most one is.
    void schedule_children(std::uint32_t node, std::uint32_t depth) {
        const std::size_t start = trie_.node_shifts[node];
        const std::size_t end = std::size_t{node} + 1 < trie_.node_shifts.size()
                                    ? trie_.node_shifts[node + 1]
                                    : trie_.child_indices.size();
        const bool has_next = depth < query_.size();
        const char32_t wanted = has_next ? query_[depth] : CharArray::kAbsent;
        std::uint32_t promoted = 0;
        bool found = false;
        const bool numbered_in_order = trie_.shape->breadth_first;
        // The children's own runs are read when they are visited, soon after: start fetching
        // their line of node_shifts while this node's children are scheduled.
        if (numbered_in_order && start < end) __builtin_prefetch(&trie_.node_shifts[start]);
        for (std::size_t p = end; p-- > start;) {
            const std::uint32_t child =
                numbered_in_order ? static_cast<std::uint32_t>(p + 1) : trie_.child_indices[p];
            if (has_next && trie_.node_strings.raw(child) == wanted) {
                promoted = child;
                found = true;
                continue;
            }
            stack_.push_back(Pending{child, depth + 1});
        }
        if (found) stack_.push_back(Pending{promoted, depth + 1});
    }

    const Trie& trie_;
    std::span<const char32_t> query_;
    std::size_t width_;  // entries per row, n + 1
    std::uint32_t max_dist_;
    std::optional<std::uint64_t> limit_;
    std::vector<std::uint32_t> rows_;  // the row of the node on the current path at each depth
    std::vector<char32_t> path_;       // the characters of the current path, by depth
    std::vector<Pending> stack_;
    std::vector<MatchRecord> results_;
};

}  // namespace

bool fast_walk_applies(const Trie& trie, std::size_t query_length, std::uint64_t max_dist) {
    if (!trie.shape) return false;
    const std::uint64_t n = query_length;
    if (n + trie.shape->max_depth >= std::numeric_limits<std::uint32_t>::max()) return false;
    const std::uint64_t depths = deepest_row(*trie.shape, n, max_dist) + 1;
    return depths <= kMaxRowEntries / (n + 1);
}

std::vector<MatchRecord> fast_fuzzy_walk(const Trie& trie, std::span<const char32_t> query,
                                         std::uint64_t max_dist,
                                         std::optional<std::uint64_t> limit) {
    return Walk(trie, query, max_dist, limit).run();
}

std::optional<std::uint32_t> fast_exact_node(const Trie& trie, std::span<const char32_t> query) {
    if (query.empty()) return std::nullopt;  // the root is never accepted
    const std::size_t nodes = trie.node_shifts.size();
    std::uint32_t node = 0;
    for (const char32_t c : query) {
        const std::size_t start = trie.node_shifts[node];
        const std::size_t end =
            std::size_t{node} + 1 < nodes ? trie.node_shifts[node + 1] : trie.child_indices.size();
        std::size_t p = start;
        while (p < end && trie.node_strings.raw(trie.child_indices[p]) != c) ++p;
        if (p == end) return std::nullopt;
        node = trie.child_indices[p];
    }
    if (!trie.node_payloads.has(node)) return std::nullopt;
    return node;
}

}  // namespace brindlemap
