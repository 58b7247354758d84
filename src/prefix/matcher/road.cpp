// Where a match query chooses between the specialised walk and the general one.
#include "prefix/matcher/road.h"

#include <utility>

#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/split_walk.h"

namespace brindlemap {

std::vector<MatchRecord> match_records(const Trie& trie, std::vector<char32_t> query,
                                       std::uint64_t max_dist, std::optional<std::uint64_t> limit,
                                       WalkInterrupt& interrupt) {
    if (trie.shape()) return fuzzy_walk(trie, query, max_dist, Metric::levenshtein, limit, interrupt);
    Matcher matcher(std::move(query), max_dist, limit, interrupt);
    trie.dfs(matcher);
    return matcher.take_results();
}

std::optional<std::uint32_t> exact_node(const Trie& trie, std::vector<char32_t> query,
                                        WalkInterrupt& interrupt) {
    // On a well-formed trie the only node at distance 0 is the one the query spells.
    if (trie.shape()) return fast_exact_node(trie, query);
    const std::vector<MatchRecord> records =
        match_records(trie, std::move(query), 0, std::nullopt, interrupt);
    if (records.empty()) return std::nullopt;
    return records.front().node;
}

}  // namespace brindlemap
