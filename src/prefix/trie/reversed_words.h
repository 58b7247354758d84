// The trie of a well-formed trie's words spelt backwards, which the backward walk of a
// forward-backward search reads: each word's payload there is its node in the forward trie.
#pragma once

#include <cstddef>
#include <memory>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// Words share their beginnings in a trie but not, in general, their ends: a few long words that
// differ only in their last character make a small trie and a reversed one as large as all
// their text. The reversed trie is made only when the words' code points number at most this
// many times the trie's nodes; natural word lists have about 4.
inline constexpr std::size_t kMostReversedPerNode = 8;

// The trie of the words of `trie` (which must have passed its shape check) reversed code point
// by code point, laid out by the native builder; the payload of each is the node that ends the
// word in `trie`. Nothing when the words are too long for their nodes (kMostReversedPerNode).
// The work is charged to `interrupt`.
std::unique_ptr<Trie> make_reversed_trie(const Trie& trie, WalkInterrupt& interrupt);

// Whether `reversed`, read from elsewhere, can stand for make_reversed_trie(trie) without a
// walk ever leaving either trie: both pass the shape check, the reversed one with sorted runs as
// the builder lays it out, and the payloads of `reversed` name each node of `trie` below the
// root that ends a word exactly once. Its spellings are not compared: a file's checksum guards
// them, and a wrong one misleads but cannot fault a query.
bool reversed_fits(const Trie& trie, const Trie& reversed);

}  // namespace brindlemap
