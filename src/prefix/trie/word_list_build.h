// The native builder: words with payloads, handed over in compact form, become the trie that
// the package has always laid out for them, without a Python object per word or per node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// Words with payloads: the text of word i is text[ends[i - 1], ends[i]) (from 0 for the first),
// its payload payloads[i].
struct WordList {
    std::string_view text;                // the UTF-8 of every word, end to end, left unchanged
                                          // by its owner until the build returns
    std::vector<std::uint64_t> ends;      // where each word's bytes end in text
    std::vector<std::uint32_t> payloads;  // each word's payload
};

// What is wrong with a word list that cannot be built.
enum class WordListFault {
    counts_disagree,  // ends and payloads differ in length, or ends do not cover text
    empty_word,       // a word of no bytes, which a trie cannot report
    not_utf8,         // a word that is not well-formed UTF-8 of scalar values
    too_large,        // more words or nodes than 32-bit ids can number
};

class WordListError : public std::exception {
  public:
    WordListError(WordListFault fault, std::string message)
        : fault_(fault), message_(std::move(message)) {}
    WordListFault fault() const noexcept { return fault_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    WordListFault fault_;
    std::string message_;
};

// The trie of `words`, exactly as the package lays it out: words in code-point order (the
// byte order of their UTF-8), a repeated word keeping the payload of its last occurrence,
// nodes numbered level by level with siblings in code-point order, so that child_indices is
// 1, 2, ... and is not made. `words` is released once sorted. The work is charged to
// `interrupt`, a unit per byte laid out or comparison made, so that a poll may end it.
Trie build_trie(WordList words, WalkInterrupt& interrupt);

}  // namespace brindlemap
