// The writer of the serialized trie: counts and values as shortest varints, a tag byte in front
// of each optional element, characters in UTF-8.
#include "serial/encode.h"

#include <cassert>
#include <vector>

#include "prefix/utf8.h"
#include "serial/varint.h"

namespace brindlemap::serial {
namespace {

// A block of `count` 32-bit values, value i being at(i).
template <class At>
std::size_t u32_block_size(std::size_t count, At at) noexcept {
    std::size_t size = varint_size(count);
    for (std::size_t i = 0; i < count; ++i) size += varint_size(at(i));
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
    for (const std::uint32_t payload : payloads.carried()) size += varint_size(payload);
    return size;
}

template <class At>
std::uint8_t* write_u32_block(std::size_t count, At at, std::uint8_t* out) {
    out = write_varint(count, out);
    for (std::size_t i = 0; i < count; ++i) out = write_varint(at(i), out);
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
    // The values carried, taken in node order as the nodes that carry them come.
    const std::span<const std::uint32_t> carried = payloads.carried();
    std::size_t next = 0;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (payloads.has(i)) {
            *out++ = 1;
            out = write_varint(carried[next++], out);
        } else {
            *out++ = 0;
        }
    }
    return out;
}

}  // namespace

std::size_t encoded_size(const Trie& trie) noexcept {
    const auto shift = [&](std::size_t i) { return trie.node_shifts()[i]; };
    const auto child = [&](std::size_t p) { return trie.child_index(p); };
    return u32_block_size(trie.node_shifts().size(), shift) + char_block_size(trie.node_strings()) +
           payload_block_size(trie.node_payloads()) +
           u32_block_size(trie.child_index_count(), child);
}

void encode_trie(const Trie& trie, std::span<std::uint8_t> out) noexcept {
    const auto shift = [&](std::size_t i) { return trie.node_shifts()[i]; };
    const auto child = [&](std::size_t p) { return trie.child_index(p); };
    std::uint8_t* at = out.data();
    at = write_u32_block(trie.node_shifts().size(), shift, at);
    at = write_char_block(trie.node_strings(), at);
    at = write_payload_block(trie.node_payloads(), at);
    at = write_u32_block(trie.child_index_count(), child, at);
    assert(at == out.data() + out.size());
    (void)at;
}

}  // namespace brindlemap::serial
