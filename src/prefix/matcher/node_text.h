// A node's text made from the word order, for the ranked queries, which keep nodes rather than
// text and make it only for the records they return.
#pragma once

#include <cstdint>
#include <string>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// The UTF-8 text of `node` of a well-formed trie; the children it looks at on the way are
// charged to `interrupt`.
std::string node_text(const Trie& trie, std::uint32_t node, WalkInterrupt& interrupt);

}  // namespace brindlemap
