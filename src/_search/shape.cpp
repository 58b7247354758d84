// well_formed and payload_span: what the package asks of a trie as a whole.
#include "_search/shape.h"

#include <algorithm>
#include <cstdint>

#include "boundary/error.h"

namespace brindlemap {

PyRef well_formed(const BorrowedTrie& trie) {
    return PyRef::borrow(trie.trie().shape() ? Py_True : Py_False);
}

PyRef payload_span(const BorrowedTrie& trie) {
    const PayloadArray& payloads = trie.trie().node_payloads();
    std::size_t count = 0;
    std::uint32_t largest = 0;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (std::optional<std::uint32_t> payload = payloads[i]) {
            ++count;
            largest = std::max(largest, *payload);
        }
    }
    if (count == 0) return owned(Py_BuildValue("(nO)", Py_ssize_t{0}, Py_None));
    return owned(Py_BuildValue("(nk)", static_cast<Py_ssize_t>(count),
                               static_cast<unsigned long>(largest)));
}

}  // namespace brindlemap
