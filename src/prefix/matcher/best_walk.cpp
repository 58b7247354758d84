// The k-best collector of the specialised walk.
#include "prefix/matcher/best_walk.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "prefix/matcher/band_walk.h"
#include "prefix/matcher/node_text.h"

namespace brindlemap {
namespace {

struct Candidate {
    std::uint64_t distance;
    std::uint64_t key;   // the payload when ranking by payload, 0 when ranking by word
    std::uint32_t rank;  // the node's place in code-point order (word_order.h)
    std::uint32_t node;

    friend bool operator<(const Candidate& a, const Candidate& b) noexcept {
        return std::tie(a.distance, a.key, a.rank) < std::tie(b.distance, b.key, b.rank);
    }
};

// A max-heap of the best candidates so far; once it holds k, nothing beyond the worst one's
// distance is wanted. Candidates are nodes: the text is made only for those taken.
class KBest {
  public:
    KBest(const Trie& trie, std::uint64_t max_dist, std::uint64_t k, Rank rank)
        : trie_(&trie), ranks_(&trie.word_order().rank), bound_(max_dist), k_(k), rank_(rank) {}

    bool done() const noexcept { return k_ == 0; }
    std::uint64_t bound() const noexcept { return bound_; }

    template <class MakeText>
    bool visited(std::uint32_t node, std::size_t, std::uint64_t distance, std::uint64_t least,
                 MakeText&&) {
        if (distance <= bound_ && trie_->node_payloads().has(node)) offer(node, distance);
        return least <= bound_;
    }

    std::vector<MatchRecord> take(WalkInterrupt& interrupt) {
        std::sort_heap(heap_.begin(), heap_.end());
        std::vector<MatchRecord> records;
        records.reserve(heap_.size());
        for (const Candidate& c : heap_)
            records.push_back(
                MatchRecord{node_text(*trie_, c.node, interrupt), c.node, c.distance});
        return records;
    }

  private:
    void offer(std::uint32_t node, std::uint64_t distance) {
        const Candidate candidate{distance,
                                  rank_ == Rank::payload ? *trie_->node_payloads()[node] : 0,
                                  (*ranks_)[node], node};
        if (heap_.size() == k_) {
            if (!(candidate < heap_.front())) return;
            std::pop_heap(heap_.begin(), heap_.end());
            heap_.back() = candidate;
        } else {
            heap_.push_back(candidate);
        }
        std::push_heap(heap_.begin(), heap_.end());
        // Once k are in hand, nothing beyond the worst of them is wanted.
        if (heap_.size() == k_) bound_ = heap_.front().distance;
    }

    const Trie* trie_;
    const OffsetArray* ranks_;
    std::uint64_t bound_;
    std::uint64_t k_;
    Rank rank_;
    std::vector<Candidate> heap_;
};

}  // namespace

std::vector<MatchRecord> best_walk(const Trie& trie, std::span<const char32_t> query,
                                   std::uint64_t max_dist, Metric metric, std::uint64_t k,
                                   Rank rank, WalkInterrupt& interrupt) {
    return band_walk::run(trie, query, max_dist, metric, KBest(trie, max_dist, k, rank), interrupt)
        .take(interrupt);
}

}  // namespace brindlemap
