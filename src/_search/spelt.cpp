// spelt_words: the walks made with the interpreter lock given up, shaped into tuples.
#include "_search/spelt.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "boundary/error.h"
#include "boundary/signals.h"
#include "prefix/matcher/spelt_words.h"
#include "prefix/utf8.h"

namespace brindlemap {

PyRef spelt_words(const BorrowedTrie& trie, std::string_view text, std::uint64_t longest,
                  std::uint32_t max_edits) {
    const std::vector<char32_t> characters = utf8::decode_all(text);
    if (characters.size() > std::numeric_limits<std::uint32_t>::max())
        throw_error(PyExc_ValueError, "a text of more than 4294967295 characters");
    const std::size_t reach = static_cast<std::size_t>(
        std::min<std::uint64_t>(longest, std::uint64_t{characters.size()} + max_edits));
    std::vector<SpeltWord> found = walk_without_gil([&](WalkInterrupt& interrupt) {
        return near_words(trie.trie(), characters, reach, max_edits, interrupt);
    });
    return py_list(found.size(), [&](std::size_t i) {
        return py_tuple(py_u32(found[i].start), py_u32(found[i].end), py_u32(found[i].payload),
                        py_u32(found[i].edits));
    });
}

}  // namespace brindlemap
