// build and arrays: a trie built natively from words in compact form, and the four arrays of
// a trie handed back as lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boundary/signature.h"
#include "_brindlemap/prefix_search.h"
#include "_brindlemap/signatures.h"

namespace brindlemap {

// The words' UTF-8: exact bytes are viewed in place, since they cannot change while the lock is
// released; anything else (a bytearray, a sequence of integers) is copied.
struct AsWordText {
    class Value {
      public:
        explicit Value(std::string_view view) noexcept : view_(view) {}
        explicit Value(std::string copy) noexcept : copy_(std::move(copy)) {}
        // Valid while the argument lives: the whole call.
        std::string_view text() const noexcept { return copy_ ? std::string_view(*copy_) : view_; }

      private:
        std::string_view view_;
        std::optional<std::string> copy_;
    };
    static Value convert(PyObject* object);
};

// Each word's length in bytes, read as the running ends of the words in the text: an array
// of 32-bit unsigned items ('I') is copied at once, any other sequence converted item by item.
struct AsWordEnds {
    using Value = std::vector<std::uint64_t>;
    static Value convert(PyObject* object);
};

// Integers 0 to 4294967295, read as AsWordEnds reads them.
struct AsPayloadArray {
    using Value = std::vector<std::uint32_t>;
    static Value convert(PyObject* object);
};

// Any PrefixSearch, well-formed or not, borrowed for the call.
struct AsTrie {
    using Value = BorrowedTrie;
    static Value convert(PyObject* object) { return BorrowedTrie(object); }
};

namespace search_signatures {

inline constexpr Signature<AsWordText, AsWordEnds, AsPayloadArray> build{
    "build",
    "",
    {"text", "lengths", "payloads"},
    "The trie of the words of text (UTF-8, end to end, word i being lengths[i] bytes long) with\n"
    "payloads[i] each, laid out as brindlemap.build lays it out: a repeated word keeps its last\n"
    "payload. Built with the interpreter lock released; Ctrl-C stops it. A word that is empty or\n"
    "not UTF-8, or lengths that do not cover text, raise ValueError."};

inline constexpr Signature<AsTrie> arrays{
    "arrays",
    "",
    {"trie"},
    "The four arrays of trie, (node_shifts, node_strings, node_payloads, child_indices), as\n"
    "from_internal_data takes them."};

}  // namespace search_signatures

PyRef build(const AsWordText::Value& text, std::vector<std::uint64_t> ends,
            std::vector<std::uint32_t> payloads);
PyRef arrays(const BorrowedTrie& trie);

}  // namespace brindlemap
