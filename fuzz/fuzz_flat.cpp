// libFuzzer target: the flat and packed layouts of index files, and the tables of a trie's
// ranked queries. The input is a little-endian u16 whose top bit picks the layout (set for
// packed), whose next picks how a packed trie keeps its children (set for shifts in lines, else
// runs) and whose other bits are a length, then that many bytes of a trie in that layout,
// then a reversed trie's (for a packed trie, also read as its tables). Any bytes read into a
// trie (the same read in place or copied) that writes and reads back as itself, or fail as
// bytes that no writer makes; a reversed trie that fits its trie is walked without fault, and
// where it is the one the trie would make, the forward-backward search finds what the band
// walk finds. A well-formed trie's tables write and read back as it makes them; any tables
// read with it, however misleading, leave its ranked queries to end without fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "failure_forms.h"
#include "prefix/failure.h"
#include "prefix/matcher/completion.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/split_walk.h"
#include "prefix/trie/reversed_words.h"
#include "serial/crc32.h"
#include "serial/layouts.h"
#include "serial/piece_sums.h"
#include "serial/tables.h"

using namespace brindlemap;
using serial::kFlat, serial::kPacked, serial::kPackedRuns, serial::Layout;

namespace {

constexpr unsigned kPackedBit = 0x8000, kLinesBit = 0x4000;

std::unique_ptr<Trie> read_or_refuse(std::span<const std::uint8_t> bytes, const Layout& layout) {
    try {
        auto trie = std::make_unique<Trie>(layout.read(bytes, nullptr, nullptr));
        // Read in place, as from a mapped file, it is the same trie; the pieces summed as it
        // reads them make the checksum of its bytes.
        const std::shared_ptr<const void> in_place(bytes.data(), [](const void*) {});
        serial::PieceSums sums(bytes);
        if (!(layout.read(bytes, in_place, &sums) == *trie))
            fuzz::finding("a trie read in place differs from the one copied");
        if (sums.total() != serial::crc32(bytes))
            fuzz::finding("the pieces a reader summed do not make the checksum of its bytes");
        std::vector<std::uint8_t> written(layout.size(*trie));
        layout.write(*trie, written);
        if (!(layout.read(written, nullptr, nullptr) == *trie))
            fuzz::finding("a written trie reads back as another trie");
        // The packed reader settles the shape as it reads: it must be the one the check finds.
        if (trie->breadth_first()) {
            const Trie checked(TrieArrays{trie->node_shifts(), trie->node_strings(),
                                          trie->node_payloads(), {}},
                               Trie::LevelByLevel{});
            if (checked.shape() != trie->shape())
                fuzz::finding("a reader settled a shape that the check does not find");
        }
        return trie;
    } catch (const InternalFailure& failure) {
        if (failure.kind() != FailureKind::bytes_invalid)
            fuzz::finding("a read failed other than as invalid bytes", failure.message());
    } catch (const std::exception& error) {
        fuzz::finding("reading bytes threw something other than a failure", error.what());
    }
    return nullptr;
}

bool same_records(const std::vector<MatchRecord>& a, const std::vector<MatchRecord>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].text != b[i].text || a[i].node != b[i].node || a[i].distance != b[i].distance)
            return false;
    return true;
}

// The characters of the first few nodes that carry one: a query near the trie's own words.
std::vector<char32_t> nearby_query(const Trie& trie) {
    std::vector<char32_t> query;
    for (std::size_t i = 0; i < trie.node_strings().size() && query.size() < 4; ++i)
        if (trie.node_strings()[i]) query.push_back(*trie.node_strings()[i]);
    return query;
}

// The trie read again from `bytes` with the tables of `tables`, if they read: its ranked
// queries end without fault, whatever the tables hold. A trie's own tables, written, read back
// as it made them.
void check_tables(const Trie& trie, const Layout& layout, std::span<const std::uint8_t> bytes,
                  std::span<const std::uint8_t> tables) {
    std::vector<std::uint8_t> written(serial::tables_size(trie));
    serial::write_tables(trie, written);
    const RankTables own = serial::read_tables(written, trie.node_strings().size());
    if (!(own.least_payloads == trie.subtree_least_payloads()) ||
        !(own.ranks == trie.word_order().rank))
        fuzz::finding("a trie's tables read back as other tables");
    Trie again = layout.read(bytes, nullptr, nullptr);
    try {
        serial::PieceSums sums(tables);
        again.adopt_tables(
            serial::read_tables(tables, again.node_strings().size(), nullptr, &sums));
        if (sums.total() != serial::crc32(tables))
            fuzz::finding("the pieces a reader summed do not make the checksum of the tables");
    } catch (const InternalFailure& failure) {
        if (failure.kind() != FailureKind::bytes_invalid)
            fuzz::finding("reading tables failed other than as invalid bytes", failure.message());
        return;
    }
    WalkInterrupt interrupt;
    const std::vector<char32_t> query = nearby_query(again);
    try {
        for (const Rank rank : {Rank::payload, Rank::word})
            (void)completion_walk(again, query, 1, Metric::levenshtein, 5, rank, interrupt);
    } catch (const std::exception& error) {
        fuzz::finding("a ranked query over tables read with the trie failed", error.what());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const unsigned head = data[0] | (data[1] << 8);
    const Layout& layout = (head & kPackedBit) == 0 ? kFlat
                           : (head & kLinesBit) != 0 ? kPacked
                                                      : kPackedRuns;
    const std::size_t split = std::min<std::size_t>(size - 2, head & (kLinesBit - 1));
    const std::span<const std::uint8_t> bytes(data + 2, size - 2);
    std::unique_ptr<Trie> trie = read_or_refuse(bytes.first(split), layout);
    if (trie == nullptr || !trie->shape() || split == bytes.size()) return 0;
    if (&layout != &kFlat) check_tables(*trie, layout, bytes.first(split), bytes.subspan(split));
    std::unique_ptr<Trie> reversed = read_or_refuse(bytes.subspan(split), layout);
    if (reversed == nullptr || !reversed_fits(*trie, *reversed)) return 0;
    WalkInterrupt interrupt;
    const std::unique_ptr<Trie> made = make_reversed_trie(*trie, interrupt);
    const bool same = made != nullptr && *made == *reversed;
    trie->adopt_reversed(std::move(reversed));
    const std::vector<char32_t> query = nearby_query(*trie);
    for (std::uint64_t max_dist = 1; max_dist <= 2; ++max_dist) {
        try {
            const std::vector<MatchRecord> split_found =
                fuzzy_walk(*trie, query, max_dist, Metric::levenshtein, std::nullopt, interrupt);
            const std::vector<MatchRecord> band = fast_fuzzy_walk(
                *trie, query, max_dist, Metric::levenshtein, std::nullopt, interrupt);
            if (same && !same_records(split_found, band))
                fuzz::finding("the stored reversed trie's search differs from the band walk");
        } catch (const std::exception& error) {
            fuzz::finding("a walk over a fitting reversed trie failed", error.what());
        }
    }
    return 0;
}
