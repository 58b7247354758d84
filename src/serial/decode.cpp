// The block structure of a serialized trie: a count, its limit, then that many elements.
#include "serial/decode.h"

#include <algorithm>

#include "prefix/failure.h"
#include "serial/byte_reader.h"

namespace brindlemap::serial {
namespace {

// Counts from these on could not be held in memory of the elements' widths (4 bytes each, and
// 8 for an optional payload): refused before any element is read.
constexpr std::uint64_t kMaxCount = std::uint64_t{1} << 61;
constexpr std::uint64_t kMaxPayloadCount = std::uint64_t{1} << 60;

// Reads a block into `array`. Every element takes at least one byte, so room is reserved for
// no more elements than bytes remain: a huge count in a short input costs nothing before it
// ends in UnexpectedEnd, and a count that fits is reserved exactly.
template <class Array, class ReadElement>
void read_block(ByteReader& in, std::uint64_t max_count, Array& array, ReadElement read_element) {
    const std::uint64_t count = in.read_u64();
    if (count >= max_count) panic_capacity_overflow();
    array.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, in.remaining())));
    for (std::uint64_t i = 0; i < count; ++i) array.push_back(read_element());
}

}  // namespace

Trie decode_trie(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    TrieArrays trie;
    read_block(in, kMaxCount, trie.node_shifts, [&] { return in.read_u32(); });
    read_block(in, kMaxCount, trie.node_strings, [&] { return in.read_optional_char(); });
    read_block(in, kMaxPayloadCount, trie.node_payloads, [&] { return in.read_optional_u32(); });
    read_block(in, kMaxCount, trie.child_indices, [&] { return in.read_u32(); });
    return Trie(std::move(trie));
}

}  // namespace brindlemap::serial
