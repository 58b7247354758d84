// The two capped walks of the split search, the union of what they find, and its order.
#include "prefix/matcher/split_walk.h"

#include <algorithm>
#include <span>
#include <tuple>
#include <utility>

#include "prefix/matcher/band_walk.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/split_caps.h"
#include "prefix/thread_spare.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// A limit up to kFewRecords is first tried on the band walk, for kBandVisits visits at most.
constexpr std::uint64_t kFewRecords = 10;
constexpr std::uint64_t kBandVisits = 256;

// A word found, by its node in the forward trie; its code points are texts[begin, begin + size)
// of the search's SplitBuffers.
struct Found {
    std::uint32_t node;
    std::uint64_t distance;
    std::size_t begin, size;
};

// The memory of a split search, lent by the thread (prefix/thread_spare.h): what each walk
// found, the found words' code points, the reversed query.
struct SplitBuffers {
    std::vector<Found> found, more;
    std::vector<char32_t> texts;
    std::vector<char32_t> backwards;

    std::span<const char32_t> text(const Found& f) const noexcept {
        return std::span(texts).subspan(f.begin, f.size);
    }
    void empty() noexcept {
        empty_for_keeping(found);
        empty_for_keeping(more);
        empty_for_keeping(texts);
        empty_for_keeping(backwards);
    }
};

// Every word within max_dist that a capped walk meets, with its node in the forward trie: the
// node itself in the forward walk, the payload in the backward one, whose texts are reversed.
class Gather {
  public:
    Gather(const Trie& walked, std::uint64_t max_dist, bool backward, std::vector<Found>& found,
           std::vector<char32_t>& texts) noexcept
        : payloads_(&walked.node_payloads()),
          max_dist_(max_dist),
          backward_(backward),
          found_(&found),
          texts_(&texts) {}

    // Inlined into the walk's loop, which offers it every node.
    template <class Text>
    [[gnu::always_inline]] bool visited(std::uint32_t node, std::size_t, std::uint64_t distance,
                                        std::uint64_t least, Text&& text) {
        if (distance <= max_dist_ && payloads_->has(node)) {
            const std::span<const char32_t> characters = text.code_points();
            const std::size_t begin = texts_->size();
            if (backward_)
                texts_->insert(texts_->end(), characters.rbegin(), characters.rend());
            else
                texts_->insert(texts_->end(), characters.begin(), characters.end());
            found_->push_back(Found{backward_ ? *(*payloads_)[node] : node, distance, begin,
                                    characters.size()});
        }
        return least <= max_dist_;
    }

  private:
    const PayloadArray* payloads_;
    std::uint64_t max_dist_;
    bool backward_;
    std::vector<Found>* found_;
    std::vector<char32_t>* texts_;
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

// Every word within max_dist, each once at its least distance, in no fixed order, into
// `buffers.found`: the union of the two capped walks. The query splits after its first
// (n + 1) / 2 code points: a little faster than n / 2 on wamerican-insane, and both much faster
// than splitting farther off the middle (bench/PROFILE.md).
//
// The first walk may take half of max_dist, and more where that admits no more of the cheapest
// edits: under costs whose cheapest edit is 7, caps of 13 and 6 rather than 10 and 9 leave the
// first walk one such edit either way and the second walk none, as OSA's 1 and 0 at max_dist 2
// do. Any caps that add up to max_dist - 1 find every word.
void split_found(const Trie& trie, const Trie& reversed, std::span<const char32_t> query,
                 std::uint64_t max_dist, Metric metric, WalkInterrupt& interrupt,
                 SplitBuffers& buffers) {
    const std::size_t n = query.size();
    const std::size_t split = (n + 1) / 2;
    const std::uint64_t cheapest = least_edit(metric);
    const std::uint64_t first_cap =
        std::min(max_dist - 1, (max_dist / 2 / cheapest + 1) * cheapest - 1);
    const std::uint64_t second_cap = max_dist - first_cap - 1;
    std::vector<Found>& found = buffers.found;
    std::vector<Found>& more = buffers.more;
    found.clear();
    more.clear();
    buffers.texts.clear();
    band_walk::run(trie, query, max_dist, metric,
                   Gather(trie, max_dist, false, found, buffers.texts), interrupt, false,
                   HalfCaps{.cap = first_cap, .whole_below = split + 1, .swap_column = split + 1});
    buffers.backwards.assign(query.rbegin(), query.rend());
    band_walk::run(reversed, buffers.backwards, max_dist, metric,
                   Gather(reversed, max_dist, true, more, buffers.texts), interrupt, false,
                   HalfCaps{.cap = second_cap, .whole_below = n - split,
                            .entry_column = n - split});
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
    for (const Found& f : more)
        if (f.distance <= max_dist) found.push_back(f);
}

// The first `count` words found, as records.
std::vector<MatchRecord> as_records(const SplitBuffers& buffers, std::size_t count) {
    std::vector<MatchRecord> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Found& f = buffers.found[i];
        records.push_back(MatchRecord{utf8::encode_all(buffers.text(f)), f.node, f.distance});
    }
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
    const Spare<SplitBuffers> buffers;
    split_found(trie, reversed, query, max_dist, metric, interrupt, *buffers);
    std::vector<Found>& found = buffers->found;
    std::ranges::sort(found, [&](const Found& a, const Found& b) {
        return walk_before(buffers->text(a), buffers->text(b), query);
    });
    const std::size_t count =
        limit ? static_cast<std::size_t>(std::min<std::uint64_t>(*limit, found.size()))
              : found.size();
    return as_records(*buffers, count);
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
    const Spare<SplitBuffers> buffers;
    std::vector<Found>& found = buffers->found;
    for (std::uint64_t d = std::min(max_dist, plain_edit(metric));;
         d = std::min(max_dist, 2 * d)) {
        split_found(trie, *reversed, query, d, metric, interrupt, *buffers);
        if (found.size() >= k || d == max_dist) break;
    }
    const auto key = [&](const Found& f) {
        return std::pair(f.distance, rank == Rank::payload ? *trie.node_payloads()[f.node] : 0);
    };
    const auto better = [&](const Found& a, const Found& b) {
        const auto ka = key(a), kb = key(b);
        if (ka != kb) return ka < kb;
        return std::ranges::lexicographical_compare(buffers->text(a), buffers->text(b));
    };
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(k, found.size()));
    std::ranges::partial_sort(found, found.begin() + static_cast<std::ptrdiff_t>(count), better);
    return as_records(*buffers, count);
}

}  // namespace brindlemap
