// The method to_bytes and the module function from_bytes: a trie written to and read from bytes.
#include <cstdint>
#include <span>
#include <vector>

#include "boundary/convert.h"
#include "_brindlemap/operations.h"
#include "_brindlemap/prefix_search.h"
#include "serial/decode.h"
#include "serial/encode.h"

namespace brindlemap {
namespace {

std::span<const std::uint8_t> as_bytes(const char* data, Py_ssize_t size) {
    return {reinterpret_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)};
}

}  // namespace

AsByteString::Value AsByteString::convert(PyObject* bs) {
    if (PyBytes_CheckExact(bs)) return Value(as_bytes(PyBytes_AS_STRING(bs), PyBytes_GET_SIZE(bs)));
    if (PyByteArray_CheckExact(bs))
        return Value(as_bytes(PyByteArray_AS_STRING(bs), PyByteArray_GET_SIZE(bs)));
    return Value(AsArray<std::vector<std::uint8_t>, AsU8>::convert(bs));
}

PyRef to_bytes(const Trie& trie) {
    const std::size_t size = serial::encoded_size(trie);
    PyRef bytes = result_object(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
    auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.get()));
    serial::encode_trie(trie, {out, size});
    return bytes;
}

PyRef from_bytes(const AsByteString::Value& bs) {
    return make_prefix_search(serial::decode_trie(bs.bytes()));
}

}  // namespace brindlemap
