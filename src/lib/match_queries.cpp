// The methods fuzzy_match and exact_match: a Matcher walk over the trie, shaped into tuples.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boundary/binder.h"
#include "boundary/convert.h"
#include "boundary/guard.h"
#include "lib/descriptions.h"
#include "lib/prefix_search.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/matcher.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

struct ResultElement {
    std::string text;
    std::optional<std::uint32_t> payload;
    std::uint64_t distance;
};

// Distances count code points, so the query is matched as a list of them.
std::vector<char32_t> characters_of(std::string_view text) {
    std::vector<char32_t> characters;
    characters.reserve(text.size());
    while (!text.empty()) characters.push_back(utf8::decode_front(text));
    return characters;
}

// The accepted records: the specialised walk on a trie known to be well-formed, the general
// walk with a Matcher on any other. Both give the same records in the same order.
std::vector<MatchRecord> walk(const Trie& trie, std::vector<char32_t> query, std::uint64_t max_dist,
                              std::optional<std::uint64_t> limit) {
    if (fast_walk_applies(trie, query.size(), max_dist))
        return fast_fuzzy_walk(trie, query, max_dist, limit);
    Matcher matcher(std::move(query), max_dist, limit);
    trie.dfs(matcher);
    return matcher.take_results();
}

// Runs the walk and pairs every accepted node with its payload, read again from the trie.
std::vector<ResultElement> run_query(const Trie& trie, std::vector<char32_t> query,
                                     std::uint64_t max_dist, std::optional<std::uint64_t> limit) {
    std::vector<MatchRecord> records = walk(trie, std::move(query), max_dist, limit);
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

PyObject* fuzzy_match_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return call_guard([&] {
        ArgumentSlots<3> slots{};
        extract_arguments_fastcall(descriptions::fuzzy_match, args, nargs, kwnames, slots);
        BorrowedTrie borrowed(self);
        // The str is held by the caller for the whole call, so its UTF-8 view stays valid.
        std::vector<char32_t> query =
            characters_of(extract_argument("prefix", [&] { return text_view(slots[0]); }));
        std::uint64_t max_dist =
            extract_argument("max_dist", [&] { return extract_u64(slots[1]); });
        std::optional<std::uint64_t> limit =
            extract_argument("limit", [&] { return extract_optional(slots[2], extract_u64); });

        std::vector<ResultElement> elements =
            run_query(borrowed.trie(), std::move(query), max_dist, limit);
        return py_list(elements.size(), [&](std::size_t i) { return result_tuple(elements[i]); });
    });
}

PyObject* exact_match_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return call_guard([&] {
        ArgumentSlots<1> slots{};
        extract_arguments_fastcall(descriptions::exact_match, args, nargs, kwnames, slots);
        BorrowedTrie borrowed(self);
        const std::string_view prefix =
            extract_argument("prefix", [&] { return text_view(slots[0]); });
        std::vector<char32_t> query = characters_of(prefix);

        // On a well-formed trie the only node at distance 0 is the one the query spells.
        const Trie& trie = borrowed.trie();
        if (trie.shape) {
            const std::optional<std::uint32_t> node = fast_exact_node(trie, query);
            if (!node) return py_none();
            return result_tuple(ResultElement{std::string(prefix), trie.get_payload(*node), 0});
        }
        std::vector<ResultElement> elements =
            run_query(borrowed.trie(), std::move(query), 0, std::nullopt);
        if (elements.empty()) return py_none();
        return result_tuple(elements.front());
    });
}

}  // namespace brindlemap
