// flat, flat_reversed and from_flat: a trie, and the reversed trie its forward-backward
// searches read, written in the flat layout of serial/flat.h and read back with every length
// and table checked, so that an index file need not rebuild the reversed trie when it loads.
#pragma once

#include <Python.h>

#include <cstdint>
#include <span>
#include <utility>

#include "boundary/signature.h"
#include "_brindlemap/prefix_search.h"
#include "_search/queries.h"

namespace brindlemap {

// Any object that exports a contiguous buffer (bytes, bytearray, a memoryview of a file's
// bytes or of a mapping), viewed in place and held for the call.
struct AsReadBuffer {
    class Value {
      public:
        explicit Value(PyObject* object);
        Value(Value&& other) noexcept : view_(other.view_), held_(std::exchange(other.held_, false)) {}
        Value(const Value&) = delete;
        Value& operator=(const Value&) = delete;
        Value& operator=(Value&&) = delete;
        ~Value() {
            if (held_) PyBuffer_Release(&view_);
        }
        std::span<const std::uint8_t> bytes() const noexcept {
            return {static_cast<const std::uint8_t*>(view_.buf), static_cast<std::size_t>(view_.len)};
        }

      private:
        Py_buffer view_{};
        bool held_ = false;
    };
    static Value convert(PyObject* object) { return Value(object); }
};

namespace search_signatures {

inline constexpr Signature<AsWellFormedTrie> flat{
    "flat",
    "",
    {"trie"},
    "The trie's arrays laid out flat (fixed-width little-endian items, each array 8-byte\n"
    "aligned), as index files hold them; a malformed trie raises MalformedTrieError."};

inline constexpr Signature<AsWellFormedTrie> flat_reversed{
    "flat_reversed",
    "",
    {"trie"},
    "The trie of the words spelt backwards that forward-backward searches read, laid out as\n"
    "flat lays out a trie, made first if no search has made it (with the interpreter lock\n"
    "released; Ctrl-C stops it); None when the words are too long for one to be made."};

inline constexpr Signature<AsReadBuffer, AsOptional<AsReadBuffer>> from_flat{
    "from_flat",
    "",
    {"trie", "reversed"},
    "The trie of the flat bytes `trie` (as flat gives them), with `reversed` (as flat_reversed\n"
    "gives them, or None) taken as its reversed trie so that no search makes it. Bytes that no\n"
    "writer makes, a trie that fails the shape check or a reversed trie that does not fit it\n"
    "raise brindlemap.IndexFileError (reason layout or malformed), reporting nothing."};

}  // namespace search_signatures

PyRef flat(const BorrowedTrie& trie);
PyRef flat_reversed(const BorrowedTrie& trie);
PyRef from_flat(const AsReadBuffer::Value& trie, const std::optional<AsReadBuffer::Value>& reversed);

}  // namespace brindlemap
