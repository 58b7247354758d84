// well_formed: whether a trie passed the shape check made when it was created, so that the
// package can refuse to store or load a trie that only its own methods answer on.
#pragma once

#include "boundary/signature.h"
#include "lib/prefix_search.h"

namespace brindlemap {

// Any PrefixSearch, borrowed for the call, whatever its shape.
struct AsAnyTrie {
    using Value = BorrowedTrie;
    static Value convert(PyObject* object) { return BorrowedTrie(object); }
};

namespace search_signatures {

inline constexpr Signature<AsAnyTrie> well_formed{
    "well_formed",
    "",
    {"trie"},
    "Whether the trie's arrays passed the shape check made when it was created (one entry per\n"
    "node, runs of children in node order, a tree from node 0, a character on every child,\n"
    "distinct characters among siblings). Every trie that build makes passes it; only tries that\n"
    "pass it answer search, suggest and complete, or are saved to and loaded from index files."};

}  // namespace search_signatures

PyRef well_formed(const BorrowedTrie& trie);

}  // namespace brindlemap
