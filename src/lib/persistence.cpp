// The method to_bytes and the module function from_bytes: a trie written to and read from bytes.
#include <cstdint>
#include <span>
#include <vector>

#include "boundary/binder.h"
#include "boundary/convert.h"
#include "boundary/guard.h"
#include "lib/descriptions.h"
#include "lib/module_functions.h"
#include "lib/prefix_search.h"
#include "serial/decode.h"
#include "serial/encode.h"

namespace brindlemap {
namespace {

// Any sequence of integers 0 to 255, item by item, as the iteration protocol gives them.
std::vector<std::uint8_t> extract_bytes(PyObject* bs) {
    std::vector<std::uint8_t> bytes;
    extract_argument("bs", [&] {
        extract_sequence(
            bs, [&](std::size_t hint) { reserve_hint(bytes, hint); },
            [&](PyObject* item) { bytes.push_back(extract_u8(item)); });
    });
    return bytes;
}

std::span<const std::uint8_t> as_bytes(const char* data, Py_ssize_t size) {
    return {reinterpret_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)};
}

// Exact bytes and bytearray objects are read over their own buffer: their items are all
// integers 0 to 255, so item conversion could not fail and would only copy. Decoding runs no
// Python code, so a bytearray cannot change meanwhile.
Trie decode_argument(PyObject* bs) {
    if (PyBytes_CheckExact(bs))
        return serial::decode_trie(as_bytes(PyBytes_AS_STRING(bs), PyBytes_GET_SIZE(bs)));
    if (PyByteArray_CheckExact(bs))
        return serial::decode_trie(as_bytes(PyByteArray_AS_STRING(bs), PyByteArray_GET_SIZE(bs)));
    return serial::decode_trie(extract_bytes(bs));
}

}  // namespace

PyObject* to_bytes_method(PyObject* self, PyObject*) {
    return call_guard([&] {
        BorrowedTrie borrowed(self);
        const std::size_t size = serial::encoded_size(borrowed.trie());
        PyRef bytes =
            checked_result(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
        auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.get()));
        serial::encode_trie(borrowed.trie(), {out, size});
        return bytes;
    });
}

PyObject* from_bytes_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
    return call_guard([&] {
        ArgumentSlots<1> slots{};
        extract_arguments_fastcall(descriptions::from_bytes, args, nargs, kwnames, slots);
        return make_prefix_search(decode_argument(slots[0]));
    });
}

}  // namespace brindlemap
