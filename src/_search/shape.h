// well_formed: whether a trie passed the shape check made when it was created, so that the
// package can refuse to store or load a trie that only its own methods answer on;
// payload_span, what a loader checks of the payloads a file claims before it trusts them; and
// alphabet, the characters a trie's words are made of.
#pragma once

#include "boundary/signature.h"
#include "_brindlemap/prefix_search.h"

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

inline constexpr Signature<AsAnyTrie> payload_span{
    "payload_span",
    "",
    {"trie"},
    "(how many nodes carry a payload, the largest payload or None): what a loader checks\n"
    "before it uses payloads as positions in tables of its own, in one pass over the nodes."};

inline constexpr Signature<AsAnyTrie> alphabet{
    "alphabet",
    "",
    {"trie"},
    "The distinct characters of the trie's nodes, in code-point order, as a str: what every\n"
    "word it holds is made of, found without reading the words."};

}  // namespace search_signatures

PyRef well_formed(const BorrowedTrie& trie);
PyRef payload_span(const BorrowedTrie& trie);
PyRef alphabet(const BorrowedTrie& trie);

}  // namespace brindlemap
