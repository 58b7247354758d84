// The methods fuzzy_match and exact_match: a Matcher walk over the trie, shaped into tuples.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boundary/convert.h"
#include "boundary/error.h"
#include "lib/operations.h"
#include "prefix/matcher/match.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

struct ResultElement {
    std::string text;
    std::optional<std::uint32_t> payload;
    std::uint64_t distance;
};

// Lets Ctrl-C and other signal handlers end a long walk: a handler that raises makes the walk
// unwind with that exception.
void check_signals(void*) {
    if (PyErr_CheckSignals() < 0) throw_pending();
}

// Runs the walk and pairs every accepted node with its payload, read again from the trie.
std::vector<ResultElement> run_query(const Trie& trie, std::vector<char32_t> query,
                                     std::uint64_t max_dist, std::optional<std::uint64_t> limit) {
    WalkInterrupt interrupt(check_signals, nullptr);
    std::vector<MatchRecord> records =
        match_records(trie, std::move(query), max_dist, limit, interrupt);
    std::vector<ResultElement> elements;
    elements.reserve(records.size());
    for (MatchRecord& record : records)
        elements.push_back(
            ResultElement{std::move(record.text), trie.get_payload(record.node), record.distance});
    return elements;
}

PyRef result_tuple(const ResultElement& element) {
    return py_tuple(py_text(element.text), py_optional_u32(element.payload),
                    py_u64(element.distance));
}

}  // namespace

PyRef fuzzy_match(const Trie& trie, std::string_view prefix, std::uint64_t max_dist,
                  std::optional<std::uint64_t> limit) {
    std::vector<ResultElement> elements =
        run_query(trie, utf8::decode_all(prefix), max_dist, limit);
    return py_list(elements.size(), [&](std::size_t i) { return result_tuple(elements[i]); });
}

PyRef exact_match(const Trie& trie, std::string_view prefix) {
    WalkInterrupt interrupt(check_signals, nullptr);
    const std::optional<std::uint32_t> node = exact_node(trie, utf8::decode_all(prefix), interrupt);
    if (!node) return py_none();
    // The text of a node at distance 0 is the query itself.
    return result_tuple(ResultElement{std::string(prefix), trie.get_payload(*node), 0});
}

}  // namespace brindlemap
