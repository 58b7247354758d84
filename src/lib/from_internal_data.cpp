// The module function from_internal_data: a trie from the four arrays a caller laid out.
#include <optional>
#include <string_view>

#include "boundary/binder.h"
#include "boundary/convert.h"
#include "boundary/guard.h"
#include "lib/descriptions.h"
#include "lib/module_functions.h"
#include "lib/prefix_search.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// A node's character is the first of its string; only the first character is kept.
std::optional<char32_t> first_character(PyObject* item) {
    std::string_view text = text_view(item);
    if (text.empty()) return std::nullopt;
    return utf8::decode_front(text);
}

template <class Array, class Convert>
void extract_array(std::string_view name, PyObject* object, Array& array, Convert convert) {
    extract_argument(name, [&] {
        extract_sequence(
            object, [&](std::size_t hint) { reserve_hint(array, hint); },
            [&](PyObject* item) { array.push_back(convert(item)); });
    });
}

}  // namespace

PyObject* from_internal_data_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames) {
    return call_guard([&] {
        ArgumentSlots<4> slots{};
        extract_arguments_fastcall(descriptions::from_internal_data, args, nargs, kwnames, slots);
        TrieArrays trie;
        extract_array("node_shifts", slots[0], trie.node_shifts, extract_u32);
        extract_array("node_strings", slots[1], trie.node_strings, first_character);
        extract_array("node_payloads", slots[2], trie.node_payloads,
                      [](PyObject* item) { return extract_optional(item, extract_u32); });
        extract_array("child_indices", slots[3], trie.child_indices, extract_u32);
        return make_prefix_search(Trie(std::move(trie)));
    });
}

}  // namespace brindlemap
