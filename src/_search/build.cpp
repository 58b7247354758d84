// The native builder behind brindlemap.build: the words are copied out of the caller's buffers,
// then sorted and laid out with the interpreter lock released.
#include "_search/build.h"

#include <Python.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "boundary/error.h"
#include "boundary/held_buffer.h"
#include "boundary/signals.h"
#include "prefix/trie/word_list_build.h"

namespace brindlemap {
namespace {

// A buffer of 32-bit unsigned items, released on every way out.
class U32Buffer {
  public:
    // Empty (and `valid()` false) when `object` exports no such buffer.
    explicit U32Buffer(PyObject* object) noexcept {
        if (!PyObject_CheckBuffer(object)) return;
        if (!buffer_.take(object, PyBUF_FORMAT | PyBUF_C_CONTIGUOUS)) {
            PyErr_Clear();
            return;
        }
        const Py_buffer& view = buffer_.view();
        const std::string_view format = view.format != nullptr ? view.format : "B";
        valid_ = view.itemsize == 4 && (format == "I" || format == "@I" || format == "=I");
    }

    bool valid() const noexcept { return valid_; }
    std::size_t size() const noexcept { return static_cast<std::size_t>(buffer_.view().len) / 4; }
    std::uint32_t operator[](std::size_t i) const noexcept {
        std::uint32_t value;
        std::memcpy(&value, static_cast<const char*>(buffer_.view().buf) + 4 * i, 4);
        return value;
    }

  private:
    HeldBuffer buffer_;
    bool valid_ = false;
};

// Calls take(value) for each item of `object`, a 32-bit buffer or a sequence of integers.
template <class Reserve, class Take>
void read_u32_items(PyObject* object, Reserve&& reserve, Take&& take) {
    const U32Buffer buffer(object);
    if (buffer.valid()) {
        reserve(buffer.size());
        for (std::size_t i = 0; i < buffer.size(); ++i) take(buffer[i]);
        return;
    }
    extract_sequence(object, reserve, [&](PyObject* item) { take(extract_u32(item)); });
}

// The sort's and the layout's buffers, freed below the trie's arrays in the heap, would stay
// resident; hand them back, so that what the caller does next (writing the trie out, say)
// does not pile on them.
void return_free_memory() noexcept {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

Trie build_without_gil(WordList words) {
    return walk_without_gil([&](WalkInterrupt& interrupt) {
        Trie trie = build_trie(std::move(words), interrupt);
        return_free_memory();
        return trie;
    });
}

PyObject* error_type(WordListFault fault) noexcept {
    return fault == WordListFault::too_large ? PyExc_OverflowError : PyExc_ValueError;
}

}  // namespace

AsWordText::Value AsWordText::convert(PyObject* object) {
    if (PyBytes_CheckExact(object))
        return Value(std::string_view(PyBytes_AS_STRING(object),
                                      static_cast<std::size_t>(PyBytes_GET_SIZE(object))));
    const AsByteString::Value given = AsByteString::convert(object);
    const std::span<const std::uint8_t> bytes = given.bytes();
    return Value(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

AsWordEnds::Value AsWordEnds::convert(PyObject* object) {
    Value ends;
    std::uint64_t end = 0;
    read_u32_items(
        object, [&](std::size_t hint) { reserve_hint(ends, hint); },
        [&](std::uint32_t length) { ends.push_back(end += length); });
    return ends;
}

AsPayloadArray::Value AsPayloadArray::convert(PyObject* object) {
    Value payloads;
    read_u32_items(
        object, [&](std::size_t hint) { reserve_hint(payloads, hint); },
        [&](std::uint32_t payload) { payloads.push_back(payload); });
    return payloads;
}

PyRef build(const AsWordText::Value& text, std::vector<std::uint64_t> ends,
            std::vector<std::uint32_t> payloads) {
    WordList words{text.text(), std::move(ends), std::move(payloads)};
    std::optional<Trie> trie;
    try {
        trie.emplace(build_without_gil(std::move(words)));
    } catch (const WordListError& error) {
        throw_error(error_type(error.fault()), error.what());
    }
    return make_prefix_search(std::move(*trie));
}

PyRef arrays(const BorrowedTrie& borrowed) {
    const Trie& trie = borrowed.trie();
    const OffsetArray& shifts = trie.node_shifts();
    const CharArray& characters = trie.node_strings();
    const PayloadArray& payloads = trie.node_payloads();
    return py_tuple(
        py_list(shifts.size(), [&](std::size_t i) { return py_u32(shifts[i]); }),
        py_list(characters.size(),
                [&](std::size_t i) {
                    const std::optional<char32_t> c = characters[i];
                    return c ? py_char(*c) : py_text("");
                }),
        py_list(payloads.size(), [&](std::size_t i) { return py_optional_u32(payloads[i]); }),
        py_list(trie.child_index_count(),
                [&](std::size_t p) { return py_u32(trie.child_index(p)); }));
}

}  // namespace brindlemap
