// The words of a trie that stretches of a text spell, each where it begins and ends: what a
// segmentation of text written without spaces chooses among.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

struct SpeltWord {
    std::uint32_t start;    // the text's code points [start, end) spell the word
    std::uint32_t end;
    std::uint32_t payload;  // the word's node's payload
};

// Every stretch of `text` of at most `longest` code points that spells a word of `trie` (a
// word being a node with a payload), by start and then by end. One descent from the root for
// each start, ended by the first character no child has: work at most text.size() * longest
// steps, each charged to `interrupt`. On a well-formed trie only.
std::vector<SpeltWord> spelt_words(const Trie& trie, std::span<const char32_t> text,
                                   std::size_t longest, WalkInterrupt& interrupt);

}  // namespace brindlemap
