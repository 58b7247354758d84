// The code-point order of a well-formed trie's words, kept per node: two nodes' texts compare
// by their ranks, and a node's text is found down from the root by them (node_text.h), so that
// the ranked queries build text only for what they return.
#pragma once

#include <cstdint>
#include <vector>

#include "prefix/trie/node_arrays.h"

namespace brindlemap {

class Trie;

struct WordOrder {
    // Each node's place in the preorder that lists every node before its descendants and
    // siblings by character: since a node's text begins every text below it, that is the
    // code-point order of the nodes' texts.
    OffsetArray rank;
};

// The order of `trie`, which must have passed its shape check. Linear in its nodes, apart from
// sorting the rare unsorted run of siblings.
WordOrder make_word_order(const Trie& trie);

}  // namespace brindlemap
