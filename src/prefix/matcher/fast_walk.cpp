// The specialised walk collecting in walk order, and the direct descent of exact_match.
#include "prefix/matcher/fast_walk.h"

#include <limits>

#include "prefix/matcher/band_walk.h"

namespace brindlemap {
namespace {

// Every node within max_dist, in walk order, up to a limit; or, given a budget, up to that many
// visits.
class InWalkOrder {
  public:
    InWalkOrder(const Trie& trie, std::uint64_t max_dist, std::optional<std::uint64_t> limit,
                std::uint64_t budget = std::numeric_limits<std::uint64_t>::max()) noexcept
        : payloads_(&trie.node_payloads()), max_dist_(max_dist), limit_(limit), budget_(budget) {}

    bool done() const noexcept { return complete() || budget_ == 0; }
    bool complete() const noexcept { return limit_ && records_.size() >= *limit_; }
    std::uint64_t bound() const noexcept { return max_dist_; }
    // Inlined into the walk's loop, which offers it every node.
    template <class MakeText>
    [[gnu::always_inline]] bool visited(std::uint32_t node, std::size_t, std::uint64_t distance,
                                        std::uint64_t least, MakeText&& text) {
        --budget_;
        if (distance <= max_dist_ && payloads_->has(node))
            records_.push_back(MatchRecord{text(), node, distance});
        return least <= max_dist_;
    }
    std::vector<MatchRecord> take() noexcept { return std::move(records_); }

  private:
    const PayloadArray* payloads_;
    std::uint64_t max_dist_;
    std::optional<std::uint64_t> limit_;
    std::uint64_t budget_;
    std::vector<MatchRecord> records_;
};

}  // namespace

std::vector<MatchRecord> fast_fuzzy_walk(const Trie& trie, std::span<const char32_t> query,
                                         std::uint64_t max_dist, Metric metric,
                                         std::optional<std::uint64_t> limit,
                                         WalkInterrupt& interrupt, bool wide_entries) {
    return band_walk::run(trie, query, max_dist, metric, InWalkOrder(trie, max_dist, limit),
                          interrupt, wide_entries)
        .take();
}

std::optional<std::vector<MatchRecord>> fast_fuzzy_walk_within(
    const Trie& trie, std::span<const char32_t> query, std::uint64_t max_dist, Metric metric,
    std::uint64_t limit, std::uint64_t budget, WalkInterrupt& interrupt) {
    InWalkOrder found = band_walk::run(trie, query, max_dist, metric,
                                       InWalkOrder(trie, max_dist, limit, budget), interrupt);
    if (!found.complete()) return std::nullopt;
    return found.take();
}

std::optional<std::uint32_t> fast_exact_node(const Trie& trie, std::span<const char32_t> query) {
    if (query.empty()) return std::nullopt;  // the root is never accepted
    std::uint32_t node = 0;
    for (const char32_t c : query) {
        auto [p, end] = trie.child_run(node);
        while (p < end && trie.node_strings().raw(trie.child_index(p)) != c) ++p;
        if (p == end) return std::nullopt;
        node = trie.child_index(p);
    }
    if (!trie.node_payloads().has(node)) return std::nullopt;
    return node;
}

}  // namespace brindlemap
