// The two capped walks of the split search, the union of what they find, and its order.
#include "prefix/matcher/split_walk.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "prefix/matcher/band_walk.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/split_caps.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// A limit up to kFewRecords is first tried on the band walk, for kBandVisits visits at most.
constexpr std::uint64_t kFewRecords = 10;
constexpr std::uint64_t kBandVisits = 256;

// A word found, by its node in the forward trie, with its code points for ordering.
struct Found {
    std::uint32_t node;
    std::uint64_t distance;
    std::vector<char32_t> text;
};

// Every word within max_dist that a capped walk meets, with its node in the forward trie: the
// node itself in the forward walk, the payload in the backward one, whose texts are reversed.
class Gather {
  public:
    Gather(const Trie& walked, std::uint64_t max_dist, bool backward) noexcept
        : payloads_(&walked.node_payloads()), max_dist_(max_dist), backward_(backward) {}

    template <class MakeText>
    bool visited(std::uint32_t node, std::size_t, std::uint64_t distance, std::uint64_t least,
                 MakeText&& text) {
        if (distance <= max_dist_ && payloads_->has(node)) {
            std::vector<char32_t> characters = utf8::decode_all(text());
            if (backward_) std::ranges::reverse(characters);
            found_.push_back(Found{backward_ ? *(*payloads_)[node] : node, distance,
                                   std::move(characters)});
        }
        return least <= max_dist_;
    }
    std::vector<Found> take() noexcept { return std::move(found_); }

  private:
    const PayloadArray* payloads_;
    std::uint64_t max_dist_;
    bool backward_;
    std::vector<Found> found_;
};

// Whether text `x` comes before `y` in the band walk over a trie of sorted runs: a node before
// its descendants, and below a common ancestor at depth t the child that carries query[t]
// first, the others in code-point order.
bool walk_before(std::span<const char32_t> x, std::span<const char32_t> y,
                 std::span<const char32_t> query) noexcept {
    const auto [px, py] = std::ranges::mismatch(x, y);
    if (px == x.end()) return py != y.end();
    if (py == y.end()) return false;
    const auto t = static_cast<std::size_t>(px - x.begin());
    if (t < query.size()) {
        if (*px == query[t]) return true;
        if (*py == query[t]) return false;
    }
    return *px < *py;
}

// Every word within max_dist, each once at its least distance, in no fixed order: the union of
// the two capped walks. The query splits after its first (n + 1) / 2 code points: a little
// faster than n / 2 on wamerican-insane, and both much faster than splitting farther off the
// middle (bench/PROFILE.md).
//
// The first walk may take half of max_dist, and more where that admits no more of the cheapest
// edits: under costs whose cheapest edit is 7, caps of 13 and 6 rather than 10 and 9 leave the
// first walk one such edit either way and the second walk none, as OSA's 1 and 0 at max_dist 2
// do. Any caps that add up to max_dist - 1 find every word.
std::vector<Found> split_found(const Trie& trie, const Trie& reversed,
                               std::span<const char32_t> query, std::uint64_t max_dist,
                               Metric metric, WalkInterrupt& interrupt) {
    const std::size_t n = query.size();
    const std::size_t split = (n + 1) / 2;
    const std::uint64_t cheapest = least_edit(metric);
    const std::uint64_t first_cap =
        std::min(max_dist - 1, (max_dist / 2 / cheapest + 1) * cheapest - 1);
    const std::uint64_t second_cap = max_dist - first_cap - 1;
    std::vector<Found> found =
        band_walk::run(trie, query, max_dist, metric, Gather(trie, max_dist, false), interrupt,
                       false,
                       HalfCaps{.cap = first_cap, .whole_below = split + 1,
                                .swap_column = split + 1})
            .take();
    std::vector<char32_t> backwards(query.rbegin(), query.rend());
    std::vector<Found> more =
        band_walk::run(reversed, backwards, max_dist, metric, Gather(reversed, max_dist, true),
                       interrupt, false,
                       HalfCaps{.cap = second_cap, .whole_below = n - split,
                                .entry_column = n - split})
            .take();
    // Each walk finds a word at its least distance over the alignments it admits: the least of
    // the two is the word's distance.
    const auto by_node = [](const Found& a, const Found& b) {
        return std::tie(a.node, a.distance) < std::tie(b.node, b.distance);
    };
    std::ranges::sort(more, by_node);
    for (Found& f : found) {
        const auto it = std::ranges::lower_bound(more, f.node, {}, &Found::node);
        if (it == more.end() || it->node != f.node) continue;
        f.distance = std::min(f.distance, it->distance);
        it->distance = ~std::uint64_t{0};  // taken
    }
    for (Found& f : more)
        if (f.distance <= max_dist) found.push_back(std::move(f));
    return found;
}

std::vector<MatchRecord> as_records(std::vector<Found>& found, std::size_t count) {
    std::vector<MatchRecord> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        records.push_back(MatchRecord{utf8::encode_all(found[i].text), found[i].node,
                                      found[i].distance});
    return records;
}

}  // namespace

const Trie* split_serves(const Trie& trie, std::size_t length, std::uint64_t max_dist,
                         const Metric& metric, WalkInterrupt& interrupt) {
    if (!trie.shape() || !trie.shape()->sorted_runs || max_dist < 1 ||
        reach(metric, max_dist) >= length)
        return nullptr;
    return trie.reversed(interrupt);
}

std::vector<MatchRecord> split_walk(const Trie& trie, const Trie& reversed,
                                    std::span<const char32_t> query, std::uint64_t max_dist,
                                    Metric metric, std::optional<std::uint64_t> limit,
                                    WalkInterrupt& interrupt) {
    std::vector<Found> found = split_found(trie, reversed, query, max_dist, metric, interrupt);
    std::ranges::sort(found, [&](const Found& a, const Found& b) {
        return walk_before(a.text, b.text, query);
    });
    const std::size_t count =
        limit ? static_cast<std::size_t>(std::min<std::uint64_t>(*limit, found.size()))
              : found.size();
    return as_records(found, count);
}

std::vector<MatchRecord> fuzzy_walk(const Trie& trie, std::span<const char32_t> query,
                                    std::uint64_t max_dist, Metric metric,
                                    std::optional<std::uint64_t> limit, WalkInterrupt& interrupt) {
    if (const Trie* reversed = split_serves(trie, query.size(), max_dist, metric, interrupt)) {
        // The band walk takes the branch that follows the query first: from two edits on, a
        // small limit is often reached within a few hundred visits, far sooner than the split
        // search ends (bench/PROFILE.md).
        if (limit && *limit <= kFewRecords && reach(metric, max_dist) >= 2) {
            if (auto found = fast_fuzzy_walk_within(trie, query, max_dist, metric, *limit,
                                                    kBandVisits, interrupt))
                return std::move(*found);
        }
        return split_walk(trie, *reversed, query, max_dist, metric, limit, interrupt);
    }
    return fast_fuzzy_walk(trie, query, max_dist, metric, limit, interrupt);
}

std::vector<MatchRecord> k_best(const Trie& trie, std::span<const char32_t> query,
                                std::uint64_t max_dist, Metric metric, std::uint64_t k, Rank rank,
                                WalkInterrupt& interrupt) {
    const Trie* reversed =
        k == 0 ? nullptr : split_serves(trie, query.size(), max_dist, metric, interrupt);
    if (reversed == nullptr) return best_walk(trie, query, max_dist, metric, k, rank, interrupt);
    // A search at distance d that finds k words holds the k best: nothing farther can beat them.
    // The distance doubles from one plain edit, so that a large max_dist takes few searches.
    std::vector<Found> found;
    for (std::uint64_t d = std::min(max_dist, plain_edit(metric));;
         d = std::min(max_dist, 2 * d)) {
        found = split_found(trie, *reversed, query, d, metric, interrupt);
        if (found.size() >= k || d == max_dist) break;
    }
    const auto key = [&](const Found& f) {
        return std::pair(f.distance, rank == Rank::payload ? *trie.node_payloads()[f.node] : 0);
    };
    const auto better = [&](const Found& a, const Found& b) {
        const auto ka = key(a), kb = key(b);
        if (ka != kb) return ka < kb;
        return std::ranges::lexicographical_compare(a.text, b.text);
    };
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(k, found.size()));
    std::ranges::partial_sort(found, found.begin() + static_cast<std::ptrdiff_t>(count), better);
    return as_records(found, count);
}

}  // namespace brindlemap
