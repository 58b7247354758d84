// flat, flat_reversed and from_flat, and their packed twins: a trie, and the reversed trie its
// forward-backward searches read, written in the flat layout of serial/flat.h (index files of
// format 3) or the packed one of serial/packed.h (formats 4 and 5) and read back with every length and
// table checked, so that an index file need not rebuild the reversed trie when it loads.
#pragma once

#include <Python.h>

#include <cstdint>
#include <memory>
#include <span>

#include "boundary/held_buffer.h"
#include "boundary/signature.h"
#include "_brindlemap/prefix_search.h"
#include "_search/queries.h"

namespace brindlemap {

// Any object that exports a contiguous buffer (bytes, bytearray, a memoryview of a file's
// bytes or of a mapping), viewed in place and held for the call, or for as long as a trie
// that reads it in place lives.
struct AsReadBuffer {
    class Value {
      public:
        explicit Value(PyObject* object);
        std::span<const std::uint8_t> bytes() const noexcept {
            return {static_cast<const std::uint8_t*>(buffer_->view().buf),
                    static_cast<std::size_t>(buffer_->view().len)};
        }
        // What keeps the bytes as they are, for a buffer that no one may write (bytes, a file
        // mapped to be read), null for any other: the buffer held until the last owner lets
        // go of it, on whatever thread, the interpreter lock taken to release it.
        std::shared_ptr<const void> backing() const noexcept {
            if (!buffer_->view().readonly) return nullptr;
            return buffer_;
        }

      private:
        std::shared_ptr<HeldBuffer> buffer_;
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

inline constexpr Signature<AsWellFormedTrie, AsU32> packed{
    "packed",
    "",
    {"trie", keyword("version", defaults::integer(5))},
    "The trie's arrays packed (flat's items narrowed to what the trie holds: characters as\n"
    "codes into its alphabet, only the payloads that are there), as index files of format\n"
    "`version` hold them: 5, each node's shift in lines of one-byte offsets that are read\n"
    "where they lie, or 4, runs of children as counts; ValueError for any other version, and\n"
    "a malformed trie raises MalformedTrieError."};

inline constexpr Signature<AsWellFormedTrie, AsU32> packed_reversed{
    "packed_reversed",
    "",
    {"trie", keyword("version", defaults::integer(5))},
    "flat_reversed's reversed trie, packed as packed packs a trie; None when there is none."};

inline constexpr Signature<AsReadBuffer, AsOptional<AsReadBuffer>, AsOptional<AsReadBuffer>,
                           AsU32>
    from_packed{
        "from_packed",
        "",
        {"trie", "reversed", optional("tables", defaults::none),
         keyword("version", defaults::integer(5))},
        "from_flat for the packed bytes `trie` and `reversed` (as packed and packed_reversed\n"
        "give them for index files of format `version`), with the same checks and errors; with\n"
        "`tables` (as packed_tables gives them), the trie's ranked queries read those rather\n"
        "than make them."};

inline constexpr Signature<AsReadBuffer, AsReadBuffer, AsOptional<AsReadBuffer>,
                           AsOptional<AsReadBuffer>, AsU32>
    from_packed_summed{
        "from_packed_summed",
        "",
        {"body", "trie", "reversed", optional("tables", defaults::none),
         keyword("version", defaults::integer(5))},
        "(from_packed(trie, reversed, tables, version=version), the CRC-32 of `body`), `body`\n"
        "being the index's bytes that hold those sections: its checksum is worked out by the\n"
        "threads that read them, each part while they have it in cache, rather than read again\n"
        "apart."};

inline constexpr Signature<AsWellFormedTrie> packed_tables{
    "packed_tables",
    "",
    {"trie"},
    "The tables the trie's ranked queries read (the least payload under each node and each\n"
    "node's place in word order), made first if no query has made them, laid out for index\n"
    "files; a malformed trie raises MalformedTrieError."};

}  // namespace search_signatures

PyRef flat(const BorrowedTrie& trie);
PyRef flat_reversed(const BorrowedTrie& trie);
PyRef from_flat(const AsReadBuffer::Value& trie, const std::optional<AsReadBuffer::Value>& reversed);
PyRef packed(const BorrowedTrie& trie, std::uint32_t version);
PyRef packed_reversed(const BorrowedTrie& trie, std::uint32_t version);
PyRef from_packed(const AsReadBuffer::Value& trie,
                  const std::optional<AsReadBuffer::Value>& reversed,
                  const std::optional<AsReadBuffer::Value>& tables, std::uint32_t version);
PyRef from_packed_summed(const AsReadBuffer::Value& body, const AsReadBuffer::Value& trie,
                         const std::optional<AsReadBuffer::Value>& reversed,
                         const std::optional<AsReadBuffer::Value>& tables,
                         std::uint32_t version);
PyRef packed_tables(const BorrowedTrie& trie);

}  // namespace brindlemap
