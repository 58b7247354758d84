// The methods fuzzy_match and exact_match: a Matcher walk over the trie, shaped into tuples.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boundary/convert.h"
#include "boundary/signals.h"
#include "_brindlemap/operations.h"
#include "_brindlemap/results.h"
#include "prefix/matcher/road.h"
#include "prefix/utf8.h"

namespace brindlemap {

PyRef fuzzy_match(const Trie& trie, std::string_view prefix, std::uint64_t max_dist,
                  std::optional<std::uint64_t> limit) {
    std::vector<char32_t> query = utf8::decode_all(prefix);
    std::vector<MatchRecord> records;
    // A well-formed trie is walked with the interpreter lock given up: other threads run
    // meanwhile, and a query that waits for another thread's making of the reversed trie does
    // not hold the lock that the maker's poll takes. The general walk reports an internal
    // failure through the interpreter, so it keeps the lock.
    if (trie.shape()) {
        records = walk_without_gil([&](WalkInterrupt& interrupt) {
            return match_records(trie, std::move(query), max_dist, limit, interrupt);
        });
    } else {
        WalkInterrupt interrupt = signal_interrupt();
        records = match_records(trie, std::move(query), max_dist, limit, interrupt);
    }
    WalkInterrupt interrupt = signal_interrupt();
    return match_list(trie, std::move(records), interrupt);
}

PyRef exact_match(const Trie& trie, std::string_view prefix) {
    WalkInterrupt interrupt = signal_interrupt();
    const std::optional<std::uint32_t> node = exact_node(trie, utf8::decode_all(prefix), interrupt);
    if (!node) return py_none();
    // The text of a node at distance 0 is the query itself.
    return match_tuple(prefix, trie.get_payload(*node), 0);
}

}  // namespace brindlemap
