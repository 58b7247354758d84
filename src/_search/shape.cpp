// well_formed, payload_span and alphabet: what the package asks of a trie as a whole.
#include "_search/shape.h"

#include <algorithm>
#include <cstdint>

#include "boundary/error.h"

namespace brindlemap {

PyRef well_formed(const BorrowedTrie& trie) {
    return PyRef::borrow(trie.trie().shape() ? Py_True : Py_False);
}

PyRef payload_span(const BorrowedTrie& trie) {
    const std::span<const std::uint32_t> carried = trie.trie().node_payloads().carried();
    const std::size_t count = carried.size();
    const std::uint32_t largest = count == 0 ? 0 : *std::ranges::max_element(carried);
    if (count == 0) return owned(Py_BuildValue("(nO)", Py_ssize_t{0}, Py_None));
    return owned(Py_BuildValue("(nk)", static_cast<Py_ssize_t>(count),
                               static_cast<unsigned long>(largest)));
}

PyRef alphabet(const BorrowedTrie& trie) {
    const std::vector<char32_t> characters = trie.trie().node_strings().alphabet();
    return owned(PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, characters.data(),
                                           static_cast<Py_ssize_t>(characters.size())));
}

}  // namespace brindlemap
