// libFuzzer target: the roads of a match query never disagree. On every trie that passes the
// shape check, whether decoded or built from a word list, the specialised walk gives the
// general walk's records in the same order, with 32-bit and with 64-bit rows; where the split
// search serves, it gives the specialised walk's records and brute force's in the same order
// under every metric (weighted costs made from the header among them), and its k best are the
// k-best walk's; the words near each stretch of a query, read as text written without spaces,
// are those brute force finds; and the direct exact descent names the node of the general
// walk's first exact record.
//
// Input: the header of walk_inputs.h, whose flag byte here says what the rest is: bit 0 set, a
// word list (bit 1: numbered depth first, bit 2: siblings in reverse order); clear, a
// serialized trie.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "failure_forms.h"
#include "prefix/failure.h"
#include "prefix/matcher/best_walk.h"
#include "prefix/matcher/completion.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/matcher.h"
#include "prefix/matcher/split_walk.h"
#include "prefix/matcher/spelt_words.h"
#include "prefix/utf8.h"
#include "serial/decode.h"
#include "walk_inputs.h"

using namespace brindlemap;

namespace {

std::vector<MatchRecord> general_records(const Trie& trie, const fuzz::Query& query,
                                         std::uint64_t max_dist,
                                         std::optional<std::uint64_t> limit) {
    WalkInterrupt interrupt;
    Matcher matcher(query.characters, max_dist, limit, interrupt);
    try {
        trie.dfs(matcher);
    } catch (const InternalFailure& failure) {
        fuzz::finding("the general walk failed on a trie that passed the shape check",
                      failure.message());
    }
    return matcher.take_results();
}

// The distance under `metric` and the bound that a query's max_dist stands for under it.
std::uint64_t distance(const Metric& metric, std::span<const char32_t> typed,
                       std::span<const char32_t> word) {
    switch (metric.kind) {
        case Metric::Kind::osa:
            return fuzz::osa(typed, word);
        case Metric::Kind::weighted:
            return fuzz::weighted(typed, word, *metric.costs);
        case Metric::Kind::levenshtein:
            break;
    }
    return fuzz::levenshtein(typed, word);
}
std::uint64_t bound(const Metric& metric, const fuzz::Query& query) {
    return unit_costs(metric) ? query.max_dist : query.max_dist * fuzz::kWeightedScale;
}

std::string rendering(const std::vector<MatchRecord>& records) {
    std::string text;
    for (const MatchRecord& record : records)
        text += record.text + '/' + std::to_string(record.node) + '/' +
                std::to_string(record.distance) + ' ';
    return text;
}

// Under optimal string alignment and weighted costs the walk finds exactly the words within
// max_dist, with their distances; and the k-best walk gives the first k of them by distance,
// payload and word.
void check_osa_and_best(const Trie& trie, const fuzz::Query& query, const Metric& metric) {
    const std::uint64_t max_dist = bound(metric, query);
    // Every word of the trie, from a general walk that prunes nothing.
    std::vector<MatchRecord> within;
    for (MatchRecord& word :
         general_records(trie, query, std::numeric_limits<std::uint64_t>::max(), std::nullopt)) {
        word.distance = distance(metric, query.characters, utf8::decode_all(word.text));
        if (word.distance <= max_dist) within.push_back(std::move(word));
    }
    WalkInterrupt interrupt;
    std::vector<MatchRecord> found = fast_fuzzy_walk(trie, query.characters, max_dist, metric,
                                                     std::nullopt, interrupt);
    const auto by_node = [](const MatchRecord& a, const MatchRecord& b) { return a.node < b.node; };
    std::sort(found.begin(), found.end(), by_node);
    std::vector<MatchRecord> expected = within;
    std::sort(expected.begin(), expected.end(), by_node);
    if (rendering(found) != rendering(expected))
        fuzz::finding("the walk disagrees with brute force",
                      rendering(found) + "| " + rendering(expected));

    const std::uint64_t k = query.limit.value_or(3);
    std::sort(within.begin(), within.end(), [&](const MatchRecord& a, const MatchRecord& b) {
        return std::tuple(a.distance, *trie.get_payload(a.node), a.text) <
               std::tuple(b.distance, *trie.get_payload(b.node), b.text);
    });
    if (within.size() > k) within.resize(k);
    const std::vector<MatchRecord> best =
        best_walk(trie, query.characters, max_dist, metric, k, Rank::payload, interrupt);
    if (rendering(best) != rendering(within))
        fuzz::finding("the k-best walk disagrees with brute force",
                      rendering(best) + "| " + rendering(within));
}

// Completion gives the first k words by prefix distance (the least distance to any beginning
// of the word), word order breaking ties.
void check_completion(const Trie& trie, const fuzz::Query& query, const Metric& metric) {
    const std::uint64_t max_dist = bound(metric, query);
    std::vector<MatchRecord> reach;
    for (MatchRecord& word :
         general_records(trie, query, std::numeric_limits<std::uint64_t>::max(), std::nullopt)) {
        const std::vector<char32_t> text = utf8::decode_all(word.text);
        word.distance = std::numeric_limits<std::uint64_t>::max();
        for (std::size_t j = 0; j <= text.size(); ++j)
            word.distance = std::min(
                word.distance, distance(metric, query.characters, std::span(text).first(j)));
        if (word.distance <= max_dist) reach.push_back(std::move(word));
    }
    std::sort(reach.begin(), reach.end(), [](const MatchRecord& a, const MatchRecord& b) {
        return std::tie(a.distance, a.text) < std::tie(b.distance, b.text);
    });
    const std::uint64_t k = query.limit.value_or(4);
    if (reach.size() > k) reach.resize(k);
    WalkInterrupt interrupt;
    const std::vector<MatchRecord> found =
        completion_walk(trie, query.characters, max_dist, metric, k, Rank::word, interrupt);
    if (rendering(found) != rendering(reach))
        fuzz::finding("completion disagrees with brute force",
                      rendering(found) + "| " + rendering(reach));
}

// Where the split search serves: under each metric, the band walk's records in its order, and
// brute force's (every word by its distance, in the order of a walk that prunes nothing, which
// does not depend on max_dist), up to the limit; and the k best of the k-best walk, by either
// rank.
void check_split(const Trie& trie, const fuzz::Query& query, const Metric& weighted) {
    WalkInterrupt interrupt;
    const std::vector<MatchRecord> every =
        general_records(trie, query, std::numeric_limits<std::uint64_t>::max(), std::nullopt);
    for (const Metric metric : {Metric::levenshtein, Metric::osa, weighted}) {
        const std::uint64_t max_dist = bound(metric, query);
        const Trie* reversed =
            split_serves(trie, query.characters.size(), max_dist, metric, interrupt);
        if (reversed == nullptr) continue;
        std::vector<MatchRecord> brute;
        for (const MatchRecord& word : every) {
            const std::uint64_t d =
                distance(metric, query.characters, utf8::decode_all(word.text));
            if (d <= max_dist) brute.push_back({word.text, word.node, d});
        }
        if (query.limit && brute.size() > *query.limit) brute.resize(*query.limit);
        const std::vector<MatchRecord> split = split_walk(
            trie, *reversed, query.characters, max_dist, metric, query.limit, interrupt);
        const std::vector<MatchRecord> band = fast_fuzzy_walk(
            trie, query.characters, max_dist, metric, query.limit, interrupt);
        if (rendering(split) != rendering(band))
            fuzz::finding("the split search disagrees with the band walk",
                          rendering(split) + "| " + rendering(band));
        if (rendering(split) != rendering(brute))
            fuzz::finding("the split search disagrees with brute force",
                          rendering(split) + "| " + rendering(brute));
        // The road the queries take, which may try the band walk first under a small limit.
        const std::vector<MatchRecord> chosen = fuzzy_walk(
            trie, query.characters, max_dist, metric, query.limit, interrupt);
        if (rendering(chosen) != rendering(band))
            fuzz::finding("the queries' road disagrees with the band walk",
                          rendering(chosen) + "| " + rendering(band));
        const std::uint64_t k = query.limit.value_or(3);
        for (const Rank rank : {Rank::payload, Rank::word}) {
            const std::vector<MatchRecord> best =
                k_best(trie, query.characters, max_dist, metric, k, rank, interrupt);
            const std::vector<MatchRecord> walked =
                best_walk(trie, query.characters, max_dist, metric, k, rank, interrupt);
            if (rendering(best) != rendering(walked))
                fuzz::finding("the split k best disagree with the k-best walk",
                              rendering(best) + "| " + rendering(walked));
        }
    }
}

// The words near each stretch of the query, read as a text written without spaces: exactly
// those within its max_dist (at most 2) by optimal string alignment, one edit for every three
// letters of the word at most, by start.
void check_near_words(const Trie& trie, const fuzz::Query& query) {
    const std::span<const char32_t> text = query.characters;
    const auto max_edits = static_cast<std::uint32_t>(std::min<std::uint64_t>(query.max_dist, 2));
    constexpr std::size_t kLongest = 6;
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>> brute;
    const std::vector<MatchRecord> every =
        general_records(trie, query, std::numeric_limits<std::uint64_t>::max(), std::nullopt);
    for (std::size_t start = 0; start < text.size(); ++start) {
        for (std::size_t end = start + 1; end <= text.size(); ++end) {
            for (const MatchRecord& word : every) {
                const std::vector<char32_t> letters = utf8::decode_all(word.text);
                const std::uint64_t d = fuzz::osa(text.subspan(start, end - start), letters);
                const std::uint64_t allowed =
                    std::min<std::uint64_t>(max_edits, letters.size() / kLettersPerEdit);
                if (!letters.empty() && letters.size() <= kLongest && d <= allowed)
                    brute.emplace_back(start, end, *trie.get_payload(word.node), d);
            }
        }
    }
    WalkInterrupt interrupt;
    const std::vector<SpeltWord> near = near_words(trie, text, kLongest, max_edits, interrupt);
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>> found;
    for (const SpeltWord& word : near) {
        if (!found.empty() && std::get<0>(found.back()) > word.start)
            fuzz::finding("the near words are not in the order of their starts");
        found.emplace_back(word.start, word.end, word.payload, word.edits);
    }
    std::sort(found.begin(), found.end());
    std::sort(brute.begin(), brute.end());
    if (found != brute) fuzz::finding("the near words disagree with brute force");
}

void compare_roads(const Trie& trie, const fuzz::Query& query, const Metric& weighted) {
    const std::vector<MatchRecord> general =
        general_records(trie, query, query.max_dist, query.limit);
    for (const bool wide : {false, true}) {
        WalkInterrupt interrupt;
        const std::vector<MatchRecord> fast =
            fast_fuzzy_walk(trie, query.characters, query.max_dist, Metric::levenshtein,
                            query.limit, interrupt, wide);
        if (rendering(fast) != rendering(general))
            fuzz::finding(wide ? "the 64-bit fast walk disagrees with the general walk"
                               : "the fast walk disagrees with the general walk",
                          rendering(fast) + "| " + rendering(general));
    }
    for (const Metric metric : {Metric::osa, weighted}) check_osa_and_best(trie, query, metric);
    check_split(trie, query, weighted);
    for (const Metric metric : {Metric::levenshtein, weighted})
        check_completion(trie, query, metric);
    if (query.characters.size() <= 12) check_near_words(trie, query);
    const std::vector<MatchRecord> exact = general_records(trie, query, 0, std::nullopt);
    const std::optional<std::uint32_t> node = fast_exact_node(trie, query.characters);
    if (node != (exact.empty() ? std::nullopt : std::optional(exact.front().node)))
        fuzz::finding("the exact descent disagrees with the general walk", rendering(exact));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [header, rest] = fuzz::split_input(data, size);
    const std::uint8_t flags = header[fuzz::kHeader - 1];
    std::optional<Trie> made;
    try {
        if (flags & 1u) {
            made = fuzz::trie_of_words(rest, flags & 2u, flags & 4u);
            if (!made->shape()) fuzz::finding("a built trie failed the shape check");
        } else {
            made = serial::decode_trie(rest);
        }
    } catch (const InternalFailure&) {
        return 0;  // the decoder's own target checks its failures
    }
    const Trie& trie = *made;
    if (!trie.shape()) return 0;  // the walk target checks the general road on its own
    const EditCosts costs = fuzz::costs_from(header);
    try {
        for (std::size_t q = 0; q < fuzz::kQueries; ++q)
            compare_roads(trie, fuzz::query_from(header, q, trie), Metric::weighted(costs));
    } catch (const std::exception& error) {
        fuzz::finding("something was thrown on a well-formed trie", error.what());
    }
    return 0;
}
