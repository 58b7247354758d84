// Writing and reading the tables of tables.h: each table as it is kept, its lines read where
// they lie and checked as far as a query needs.
#include "serial/tables.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "prefix/large_vector.h"
#include "serial/flat_items.h"
#include "serial/offset_lines.h"

namespace brindlemap::serial {
namespace {

using Line = OffsetArray::Line;
using Width = OffsetArray::Width;

constexpr std::string_view kLayout = "trie tables";
constexpr std::size_t kTables = 2;
// The count of nodes, then an entry for each table; the lines start here.
constexpr std::size_t kEntriesAt = 8, kEntry = 24, kHead = 128;
static_assert(kEntriesAt + kTables * kEntry <= kHead);
constexpr std::size_t kAlign = sizeof(Line);

constexpr std::size_t aligned(std::size_t bytes) noexcept {
    return (bytes + kAlign - 1) / kAlign * kAlign;
}

[[noreturn]] void refuse(const std::string& why) {
    refuse_layout(kLayout, why);
}

// The least payloads and the ranks of `trie`, in the order they are laid out.
std::array<const OffsetArray*, kTables> tables_of(const Trie& trie) {
    return {&trie.subtree_least_payloads(), &trie.word_order().rank};
}

std::size_t table_bytes(std::size_t lines, std::size_t values) noexcept {
    return aligned(offset_lines_size(lines, values));
}

// The table whose entry is `entry` and whose lines start `at`, which moves past it.
OffsetArray read_table(std::span<const std::uint8_t> bytes, std::size_t entry, std::size_t& at,
                       std::size_t nodes, const std::shared_ptr<const void>& backing,
                       PieceSums* sums) {
    const std::uint32_t code = item_at<std::uint32_t>(bytes, entry, 0);
    const std::uint64_t lines = item_at<std::uint64_t>(bytes, entry + 8, 0);
    const std::uint64_t values = item_at<std::uint64_t>(bytes, entry + 16, 0);
    if (code > static_cast<std::uint32_t>(Width::half) || item_at<std::uint32_t>(bytes, entry, 1))
        refuse("a table of width " + std::to_string(code));
    const auto width = static_cast<Width>(code);
    if (lines > (bytes.size() - at) / sizeof(Line) ||
        values > (bytes.size() - at - sizeof(Line) * lines) / 4)
        refuse("a table larger than its bytes hold");
    OffsetArray table =
        read_offset_lines(bytes, at, width, nodes, lines, values, backing, kLayout, sums);
    const std::size_t end = at + offset_lines_size(lines, values);
    at += table_bytes(lines, values);
    if (at > bytes.size() || !zeros(bytes, end, at)) refuse("padding that is not zero");
    return table;
}

}  // namespace

std::size_t tables_size(const Trie& trie) {
    std::size_t size = kHead;
    for (const OffsetArray* table : tables_of(trie))
        size += table_bytes(table->lines().size(), table->whole_values().size());
    return size;
}

void write_tables(const Trie& trie, std::span<std::uint8_t> out) {
    ItemWriter writer(out);
    writer.put(0, 0, std::uint64_t{trie.node_strings().size()});
    std::size_t at = kHead;
    const auto tables = tables_of(trie);
    for (std::size_t t = 0; t < kTables; ++t) {
        const OffsetArray& table = *tables[t];
        const std::span<const Line> lines = table.lines();
        const std::span<const std::uint32_t> values = table.whole_values();
        const std::size_t entry = kEntriesAt + kEntry * t;
        writer.put(entry, 0, static_cast<std::uint32_t>(table.width()));
        writer.put(entry + 8, 0, std::uint64_t{lines.size()});
        writer.put(entry + 16, 0, std::uint64_t{values.size()});
        write_offset_lines(table, out.subspan(at, offset_lines_size(lines.size(), values.size())));
        at += table_bytes(lines.size(), values.size());
    }
}

RankTables read_tables(std::span<const std::uint8_t> bytes, std::size_t nodes,
                       std::shared_ptr<const void> backing, PieceSums* sums) {
    if (bytes.size() < kHead || !zeros(bytes, kEntriesAt + kTables * kEntry, kHead))
        refuse("shorter than its entries, or padded with more than zeros");
    const std::uint64_t held = item_at<std::uint64_t>(bytes, 0, 0);
    if (held != nodes)
        refuse("tables of " + std::to_string(held) + " nodes for a trie of " +
               std::to_string(nodes));
    std::size_t at = kHead;
    std::array<OffsetArray, kTables> tables;
    for (std::size_t t = 0; t < kTables; ++t)
        tables[t] = read_table(bytes, kEntriesAt + kEntry * t, at, nodes, backing, sums);
    if (at != bytes.size())
        refuse(std::to_string(bytes.size()) + " bytes where its tables take " +
               std::to_string(at));
    return RankTables{std::move(tables[0]), std::move(tables[1])};
}

}  // namespace brindlemap::serial
