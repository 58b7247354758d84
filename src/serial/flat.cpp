// Writing and reading the flat layout of flat.h: arrays copied whole, then checked item by item.
#include "serial/flat.h"

#include <string>
#include <string_view>
#include <vector>

#include "serial/flat_items.h"

namespace brindlemap::serial {
namespace {

constexpr std::size_t kPreamble = 16;
constexpr std::string_view kLayout = "flat trie";

// Where the arrays of a trie of `nodes` nodes and `links` stored links begin, and where the
// layout ends. Callers keep `nodes` and `links` below the bytes they have, so nothing overflows.
struct Offsets {
    std::size_t shifts, characters, payloads, presence, children, end;

    Offsets(std::size_t nodes, std::size_t links) noexcept
        : shifts(kPreamble),
          characters(shifts + padded(4 * nodes)),
          payloads(characters + padded(4 * nodes)),
          presence(payloads + padded(4 * nodes)),
          children(presence + 8 * ((nodes + 63) / 64)),
          end(children + padded(4 * links)) {}
};

[[noreturn]] void refuse(const std::string& why) {
    refuse_layout(kLayout, why);
}

}  // namespace

std::size_t flat_size(const Trie& trie) noexcept {
    const std::size_t links = trie.breadth_first() ? 0 : trie.child_index_count();
    return Offsets(trie.node_shifts().size(), links).end;
}

void write_flat(const Trie& trie, std::span<std::uint8_t> out) noexcept {
    const std::size_t nodes = trie.node_shifts().size();
    const std::size_t links = trie.breadth_first() ? 0 : trie.child_index_count();
    const Offsets at(nodes, links);
    ItemWriter writer(out);
    writer.put(0, 0, std::uint64_t{nodes});
    writer.put(0, 1, std::uint64_t{links});
    const PayloadArray& payloads = trie.node_payloads();
    for (std::size_t i = 0; i < nodes; ++i) {
        writer.put(at.shifts, i, trie.node_shifts()[i]);
        writer.put(at.characters, i, static_cast<std::uint32_t>(trie.node_strings().raw(i)));
        writer.put(at.payloads, i, payloads.value_or_zero(i));
    }
    for (std::size_t w = 0; w < payloads.presence().size(); ++w)
        writer.put(at.presence, w, payloads.presence()[w]);
    for (std::size_t p = 0; p < links; ++p) writer.put(at.children, p, trie.child_index(p));
}

Trie read_flat(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kPreamble) refuse("shorter than its counts");
    const std::uint64_t nodes = item_at<std::uint64_t>(bytes, 0, 0);
    const std::uint64_t links = item_at<std::uint64_t>(bytes, 0, 1);
    // Each node takes 12 bytes and each link 4: larger counts cannot fit, and are refused
    // before any size is worked out from them.
    if (nodes == 0 || nodes > bytes.size() / 12 || links > bytes.size() / 4)
        refuse("counts larger than its bytes hold");
    if (links != 0 && links != nodes - 1) refuse("a count of links that no tree has");
    const Offsets at(static_cast<std::size_t>(nodes), static_cast<std::size_t>(links));
    if (at.end != bytes.size())
        refuse(std::to_string(bytes.size()) + " bytes where its counts make " +
               std::to_string(at.end));
    const std::size_t n = static_cast<std::size_t>(nodes);
    if (!zeros(bytes, at.shifts + 4 * n, at.characters) ||
        !zeros(bytes, at.characters + 4 * n, at.payloads) ||
        !zeros(bytes, at.payloads + 4 * n, at.presence) ||
        !zeros(bytes, at.children + 4 * static_cast<std::size_t>(links), at.end))
        refuse("padding that is not zero");

    TrieArrays arrays;
    arrays.node_shifts = OffsetArray(items_at<std::uint32_t>(bytes, at.shifts, n));
    std::vector<char32_t> characters = items_at<char32_t>(bytes, at.characters, n);
    if (!std::ranges::all_of(characters, scalar_or_absent))
        refuse("a character that is no Unicode scalar value");
    arrays.node_strings = CharArray(std::move(characters));
    std::vector<std::uint32_t> values = items_at<std::uint32_t>(bytes, at.payloads, n);
    std::vector<std::uint64_t> presence = items_at<std::uint64_t>(bytes, at.presence, (n + 63) / 64);
    if (n % 64 != 0 && (presence.back() >> (n % 64)) != 0)
        refuse("a payload bit past the last node");
    for (std::size_t i = 0; i < n; ++i)
        if (values[i] != 0 && !((presence[i / 64] >> (i % 64)) & 1u))
            refuse("a payload value on a node without a payload");
    arrays.node_payloads = PayloadArray(values, std::move(presence));
    if (links == 0) return Trie(std::move(arrays), Trie::LevelByLevel{});
    arrays.child_indices = items_at<std::uint32_t>(bytes, at.children, static_cast<std::size_t>(links));
    return Trie(std::move(arrays));
}

}  // namespace brindlemap::serial
