// The writer of the serialized trie: counts and values as shortest varints, a tag byte in front
// of each optional element, characters in UTF-8.
#include "serial/encode.h"

#include <cassert>
#include <vector>

#include "prefix/utf8.h"
#include "serial/varint.h"

namespace brindlemap::serial {
namespace {

std::size_t u32_block_size(const std::vector<std::uint32_t>& values) noexcept {
    std::size_t size = varint_size(values.size());
    for (std::uint32_t value : values) size += varint_size(value);
    return size;
}

std::size_t char_block_size(const CharArray& chars) noexcept {
    std::size_t size = varint_size(chars.size()) + chars.size();  // one tag byte each
    for (std::size_t i = 0; i < chars.size(); ++i) {
        char32_t c = chars.raw(i);
        if (c != CharArray::kAbsent) size += utf8::encoded_length(c);
    }
    return size;
}

std::size_t payload_block_size(const PayloadArray& payloads) noexcept {
    std::size_t size = varint_size(payloads.size()) + payloads.size();  // one tag byte each
    for (std::size_t i = 0; i < payloads.size(); ++i)
        if (std::optional<std::uint32_t> payload = payloads[i]) size += varint_size(*payload);
    return size;
}

std::uint8_t* write_u32_block(const std::vector<std::uint32_t>& values, std::uint8_t* out) {
    out = write_varint(values.size(), out);
    for (std::uint32_t value : values) out = write_varint(value, out);
    return out;
}

std::uint8_t* write_char_block(const CharArray& chars, std::uint8_t* out) {
    out = write_varint(chars.size(), out);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        char32_t c = chars.raw(i);
        if (c == CharArray::kAbsent) {
            *out++ = 0;
        } else {
            *out++ = 1;
            out += utf8::encode(c, reinterpret_cast<char*>(out));
        }
    }
    return out;
}

std::uint8_t* write_payload_block(const PayloadArray& payloads, std::uint8_t* out) {
    out = write_varint(payloads.size(), out);
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (std::optional<std::uint32_t> payload = payloads[i]) {
            *out++ = 1;
            out = write_varint(*payload, out);
        } else {
            *out++ = 0;
        }
    }
    return out;
}

}  // namespace

std::size_t encoded_size(const Trie& trie) noexcept {
    return u32_block_size(trie.node_shifts()) + char_block_size(trie.node_strings()) +
           payload_block_size(trie.node_payloads()) + u32_block_size(trie.child_indices());
}

void encode_trie(const Trie& trie, std::span<std::uint8_t> out) noexcept {
    std::uint8_t* at = out.data();
    at = write_u32_block(trie.node_shifts(), at);
    at = write_char_block(trie.node_strings(), at);
    at = write_payload_block(trie.node_payloads(), at);
    at = write_u32_block(trie.child_indices(), at);
    assert(at == out.data() + out.size());
    (void)at;
}

}  // namespace brindlemap::serial
