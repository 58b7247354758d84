// search and suggest: the specialised walk with a chosen row rule, in walk order or k best.
#include "_search/queries.h"

#include <string>

#include "boundary/error.h"
#include "boundary/package_errors.h"
#include "boundary/signals.h"
#include "_brindlemap/results.h"
#include "prefix/matcher/completion.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/split_walk.h"
#include "prefix/utf8.h"
#include "_search/edit_costs_type.h"

namespace brindlemap {
namespace {

// The one of `names` that `object`, a str, equals; ValueError naming the choices otherwise.
template <class Choice, std::size_t N>
Choice choose(PyObject* object, std::string_view parameter,
              const std::pair<std::string_view, Choice> (&names)[N]) {
    const std::string_view given = text_view(object);
    std::string allowed;
    for (const auto& [name, choice] : names) {
        if (given == name) return choice;
        allowed += (allowed.empty() ? "'" : " or '") + std::string(name) + "'";
    }
    throw_error(PyExc_ValueError, "argument '" + std::string(parameter) + "': must be " + allowed +
                                      ", not " + repr_or(object, "?"));
}

}  // namespace

AsWellFormedTrie::Value AsWellFormedTrie::convert(PyObject* object) {
    BorrowedTrie borrowed(object);
    if (!borrowed.trie().shape())
        throw_package_error(PackageError::malformed_trie,
                            std::string(kMalformedTrie) + "; only its own methods answer on it");
    return borrowed;
}

AsMetric::Value AsMetric::convert(PyObject* object, std::string_view name) {
    PyRef table;
    if (const EditCosts* costs = edit_costs_of(object, table))
        return {Metric::weighted(*costs), std::move(table)};
    return {choose(object, name, kMetrics), PyRef()};
}

AsRank::Value AsRank::convert(PyObject* object, std::string_view name) {
    static constexpr std::pair<std::string_view, Rank> kNames[] = {{"payload", Rank::payload},
                                                                   {"word", Rank::word}};
    return choose(object, name, kNames);
}

// The records that walk(interrupt) finds, walked with the interpreter lock given up, as a
// list of tuples.
template <class Walk>
PyRef walked_list(const Trie& trie, Walk&& walk) {
    std::vector<MatchRecord> records = walk_without_gil(std::forward<Walk>(walk));
    WalkInterrupt interrupt = signal_interrupt();
    return match_list(trie, std::move(records), interrupt);
}

PyRef search(const BorrowedTrie& trie, std::string_view word, std::uint64_t max_dist, Metric metric,
             std::optional<std::uint64_t> limit) {
    const std::vector<char32_t> query = utf8::decode_all(word);
    return walked_list(trie.trie(), [&](WalkInterrupt& interrupt) {
        return fuzzy_walk(trie.trie(), query, max_dist, metric, limit, interrupt);
    });
}

PyRef band_search(const BorrowedTrie& trie, std::string_view word, std::uint64_t max_dist,
                  Metric metric, std::optional<std::uint64_t> limit) {
    const std::vector<char32_t> query = utf8::decode_all(word);
    return walked_list(trie.trie(), [&](WalkInterrupt& interrupt) {
        return fast_fuzzy_walk(trie.trie(), query, max_dist, metric, limit, interrupt);
    });
}

PyRef suggest(const BorrowedTrie& trie, std::string_view word, std::uint64_t max_dist,
              std::uint64_t k, Metric metric, Rank rank) {
    const std::vector<char32_t> query = utf8::decode_all(word);
    return walked_list(trie.trie(), [&](WalkInterrupt& interrupt) {
        return k_best(trie.trie(), query, max_dist, metric, k, rank, interrupt);
    });
}

PyRef complete(const BorrowedTrie& trie, std::string_view typed, std::uint64_t max_dist,
               std::uint64_t k, Metric metric, Rank rank) {
    const std::vector<char32_t> query = utf8::decode_all(typed);
    return walked_list(trie.trie(), [&](WalkInterrupt& interrupt) {
        return completion_walk(trie.trie(), query, max_dist, metric, k, rank, interrupt);
    });
}

}  // namespace brindlemap
