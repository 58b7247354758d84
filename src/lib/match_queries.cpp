// The methods fuzzy_match and exact_match: a Matcher walk over the trie, shaped into tuples.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boundary/binder.h"
#include "boundary/convert.h"
#include "boundary/error.h"
#include "boundary/guard.h"
#include "lib/descriptions.h"
#include "lib/prefix_search.h"
#include "prefix/matcher/match.h"
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
        const Trie& trie = borrowed.trie();
        WalkInterrupt interrupt(check_signals, nullptr);
        const std::optional<std::uint32_t> node =
            exact_node(trie, characters_of(prefix), interrupt);
        if (!node) return py_none();
        // The text of a node at distance 0 is the query itself.
        return result_tuple(ResultElement{std::string(prefix), trie.get_payload(*node), 0});
    });
}

}  // namespace brindlemap
