// Completion in two steps: the band walk finds where the typed text is matched within
// max_dist, then a best-first expansion takes the k best words below those places. Places and
// candidates are nodes, ordered by word through their ranks (word_order.h): text is made only
// for the k records returned.
#include "prefix/matcher/completion.h"

#include <algorithm>
#include <limits>
#include <queue>
#include <tuple>
#include <utility>

#include "prefix/matcher/band_walk.h"
#include "prefix/matcher/node_text.h"

namespace brindlemap {
namespace {

// A place where the typed text is matched: one word, or a subtree all of whose words share
// one prefix distance.
struct Place {
    std::uint32_t node;
    std::uint64_t distance;
    bool subtree;
};

// The walk's collector. A node's prefix distance is the least whole-query distance along its
// path. Once a node's row has no entry below that distance, no descendant can lower it: the
// subtree is settled at that distance and is not walked further. Above such places, nodes
// within max_dist that carry a payload are places of one word.
class MatchedPlaces {
  public:
    MatchedPlaces(const Trie& trie, std::uint64_t max_dist) : trie_(&trie), max_dist_(max_dist) {}

    // Whether the children of the node just entered are matched already, at its prefix
    // distance, however far their rows lie.
    bool every_child() const noexcept { return every_child_; }

    bool enter_root(std::uint64_t distance) {
        prefix_distance_.assign(1, distance);
        every_child_ = distance <= max_dist_;
        // With nothing typed every word matches at distance 0: the whole trie is the place.
        if (distance != 0) return true;
        places_.push_back(Place{0, 0, true});
        return false;
    }

    template <class MakeText>
    bool visited(std::uint32_t node, std::size_t depth, std::uint64_t distance, std::uint64_t least,
                 MakeText&&) {
        if (prefix_distance_.size() <= depth) prefix_distance_.resize(depth + 1);
        const std::uint64_t reached = std::min(prefix_distance_[depth - 1], distance);
        prefix_distance_[depth] = reached;
        every_child_ = reached <= max_dist_;
        if (reached <= max_dist_ && least >= reached) {
            places_.push_back(Place{node, reached, true});
            return false;
        }
        if (reached <= max_dist_ && trie_->node_payloads().has(node))
            places_.push_back(Place{node, reached, false});
        return least <= max_dist_;
    }

    std::vector<Place> take() noexcept { return std::move(places_); }

  private:
    const Trie* trie_;
    std::uint64_t max_dist_;
    std::vector<std::uint64_t> prefix_distance_;  // along the current path, by depth
    bool every_child_ = false;
    std::vector<Place> places_;
};

// A candidate of the expansion: a word, or a subtree whose key and rank bound each of its words
// from below (the least payload under it; its rank, as its text begins every word under it).
struct Candidate {
    std::uint64_t distance;
    std::uint64_t key;
    std::uint32_t rank;
    std::uint32_t node;
    bool subtree;

    // The best first in a priority queue, which pops its greatest element.
    friend bool operator<(const Candidate& a, const Candidate& b) noexcept {
        return std::tie(b.distance, b.key, b.rank, b.subtree) <
               std::tie(a.distance, a.key, a.rank, a.subtree);
    }
};

}  // namespace

std::vector<MatchRecord> completion_walk(const Trie& trie, std::span<const char32_t> typed,
                                         std::uint64_t max_dist, Metric metric, std::uint64_t k,
                                         Rank rank, WalkInterrupt& interrupt) {
    std::vector<MatchRecord> records;
    if (k == 0) return records;
    std::vector<Place> places =
        band_walk::run(trie, typed, max_dist, metric, MatchedPlaces(trie, max_dist), interrupt)
            .take();

    const bool by_payload = rank == Rank::payload;
    const OffsetArray* least = by_payload ? &trie.subtree_least_payloads() : nullptr;
    const auto key = [&](std::uint32_t node, bool subtree) -> std::uint64_t {
        if (!by_payload) return 0;
        return subtree ? (*least)[node] : *trie.node_payloads()[node];
    };
    const OffsetArray& ranks = trie.word_order().rank;
    const auto candidate = [&](std::uint64_t distance, std::uint32_t node, bool subtree) {
        return Candidate{distance, key(node, subtree), ranks[node], node, subtree};
    };
    std::priority_queue<Candidate> queue;
    for (const Place& place : places)
        queue.push(candidate(place.distance, place.node, place.subtree));
    std::vector<Place>().swap(places);
    while (!queue.empty() && records.size() < k) {
        const Candidate best = queue.top();
        queue.pop();
        if (!best.subtree) {
            records.push_back(
                MatchRecord{node_text(trie, best.node, interrupt), best.node, best.distance});
            continue;
        }
        // Open the subtree: its own word, if any, and each child's subtree.
        if (best.node != 0 && trie.node_payloads().has(best.node))
            queue.push(candidate(best.distance, best.node, false));
        const auto [start, end] = trie.child_run(best.node);
        interrupt.charge(end - start + 1);
        for (std::size_t p = start; p < end; ++p)
            queue.push(candidate(best.distance, trie.child_index(p), true));
    }
    return records;
}

}  // namespace brindlemap
