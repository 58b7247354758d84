// The words of a trie that stretches of a text spell, or come within a few edits of, each
// where it begins and ends: what a segmentation of text written without spaces chooses among.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

struct SpeltWord {
    std::uint32_t start;    // the text's code points [start, end) spell the word
    std::uint32_t end;
    std::uint32_t payload;  // the word's node's payload
    std::uint32_t edits = 0;  // how far the stretch is from the word (near_words)
};

// A word of n letters is taken for a stretch at most n / kLettersPerEdit edits from it: one
// slip in "teh", two in "definately", none in "an" (which one edit makes of any two letters).
inline constexpr std::size_t kLettersPerEdit = 3;

// Every stretch of `text` of at most `longest` code points that spells a word of `trie` (a
// word being a node with a payload), by start and then by end. One descent from the root for
// each start, ended by the first character no child has: work at most text.size() * longest
// steps, each charged to `interrupt`. On a well-formed trie only.
std::vector<SpeltWord> spelt_words(const Trie& trie, std::span<const char32_t> text,
                                   std::size_t longest, WalkInterrupt& interrupt);

// Every stretch of `text` within `max_edits` edits of a word of `trie` of at most `longest`
// letters (an edit: a letter typed for another, one left out, one added, or two neighbours
// swapped), with the least such count, no more than the word's letters allow
// (kLettersPerEdit): by start, and for one start in the order the walk meets the words. One
// walk from the root for each start, keeping of each node's row of distances only the band of
// 2 * max_edits + 1 cells where a distance within max_edits can lie, and leaving a node whose
// band holds none: work grows with the nodes whose letters lie within max_edits of a stretch,
// each charged to `interrupt`. With max_edits 0, spelt_words. On a well-formed trie only.
// `after_each_start`, if given, is called once the words of a start are all found, with
// `found` and where that start's words begin in it: it may drop some of them, so that what
// is held grows with what is kept.
using AfterEachStart = std::function<void(std::vector<SpeltWord>& found, std::size_t first)>;
std::vector<SpeltWord> near_words(const Trie& trie, std::span<const char32_t> text,
                                  std::size_t longest, std::uint32_t max_edits,
                                  WalkInterrupt& interrupt,
                                  const AfterEachStart& after_each_start = {});

}  // namespace brindlemap
