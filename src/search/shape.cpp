// well_formed: the shape the trie was given when it was created, as a bool.
#include "search/shape.h"

namespace brindlemap {

PyRef well_formed(const BorrowedTrie& trie) {
    return PyRef::borrow(trie.trie().shape() ? Py_True : Py_False);
}

}  // namespace brindlemap
