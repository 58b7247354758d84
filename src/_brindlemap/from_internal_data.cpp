// The module function from_internal_data: a trie from the four arrays a caller laid out.
#include <optional>
#include <string_view>

#include "boundary/convert.h"
#include "_brindlemap/operations.h"
#include "_brindlemap/prefix_search.h"
#include "prefix/utf8.h"

namespace brindlemap {

AsNodeCharacter::Value AsNodeCharacter::convert(PyObject* item) {
    // The whole string is encoded before its first character is taken.
    std::string_view text = text_view(item);
    if (text.empty()) return std::nullopt;
    return utf8::decode_front(text);
}

PyRef from_internal_data(std::vector<std::uint32_t> node_shifts, CharArray node_strings,
                         PayloadArray node_payloads, std::vector<std::uint32_t> child_indices) {
    return make_prefix_search(
        Trie(TrieArrays{OffsetArray(std::move(node_shifts)), std::move(node_strings),
                        std::move(node_payloads), std::move(child_indices)}));
}

}  // namespace brindlemap
