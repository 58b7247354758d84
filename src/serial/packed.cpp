// Writing and reading the packed layout of packed.h: each array widened into the trie's own in
// one sequential pass that checks it as it goes.
#include "serial/packed.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "prefix/large_vector.h"
#include "serial/flat_items.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brindlemap::serial {
namespace {

constexpr std::size_t kPreamble = 40;
// The preamble's u64 counts come first, then its two u32 sizes from here.
constexpr std::size_t kSizesAt = 32;
constexpr std::string_view kLayout = "packed trie";
// A run of this many children or more is kept among the wide runs.
constexpr std::uint32_t kWideRun = 255;

// The counts of the preamble: what decides where every array lies.
struct Counts {
    std::size_t nodes, links, payloads, wide_runs, alphabet, width;
};

// Where the arrays of a layout of `counts` begin, and where it ends. Callers keep every count
// below the bytes they have, so nothing overflows.
struct Offsets {
    std::size_t alphabet, codes, runs, wide_runs, presence, payloads, children, end;

    explicit Offsets(const Counts& c) noexcept
        : alphabet(kPreamble),
          codes(alphabet + padded(4 * c.alphabet)),
          runs(codes + padded(c.width * c.nodes)),
          wide_runs(runs + padded(c.nodes)),
          presence(wide_runs + padded(4 * c.wide_runs)),
          payloads(presence + 8 * ((c.nodes + 63) / 64)),
          children(payloads + padded(4 * c.payloads)),
          end(children + padded(4 * c.links)) {}
};

// The narrowest code that numbers `alphabet` characters, 0 kept for none.
std::size_t code_width(std::size_t alphabet) noexcept {
    return alphabet <= 0xFF ? 1 : alphabet <= 0xFFFF ? 2 : 4;
}

std::size_t run_length(const Trie& trie, std::uint32_t node) noexcept {
    const auto [first, last] = trie.child_run(node);
    return last - first;
}

// The counts of `trie` and its alphabet (empty for codes of 4 bytes, which are the characters).
struct Plan {
    Counts counts;
    std::vector<char32_t> alphabet;

    explicit Plan(const Trie& trie) : alphabet(trie.node_strings().alphabet()) {
        const std::size_t nodes = trie.node_shifts().size();
        std::size_t wide = 0;
        for (std::uint32_t i = 0; i < nodes; ++i) wide += run_length(trie, i) >= kWideRun;
        const std::size_t width = code_width(alphabet.size());
        if (width == 4) alphabet.clear();
        counts = {nodes,
                  trie.breadth_first() ? 0 : trie.child_index_count(),
                  trie.node_payloads().carried().size(),
                  wide,
                  alphabet.size(),
                  width};
    }

    std::uint32_t code_of(char32_t c) const noexcept {
        if (counts.width == 4) return static_cast<std::uint32_t>(c);
        if (c == CharArray::kAbsent) return 0;
        const auto at = std::ranges::lower_bound(alphabet, c);
        return static_cast<std::uint32_t>(at - alphabet.begin()) + 1;
    }
};

// What the reader learns of the shape of a trie of the builder's layout as it widens the arrays,
// each test a flag folded in without a branch: a child numbered after its parent, a character
// on every node but the root, and the characters of each run of siblings increasing (codes
// compare as their characters do, the alphabet being in increasing order). `run_starts` marks
// each node that is the first of a run.
struct Vouched {
    std::vector<std::uint64_t> run_starts;
    unsigned below = 0, absent = 0, out_of_order = 0;

    explicit Vouched(std::size_t nodes) : run_starts(nodes / 64 + 1) {}
    bool starts_run(std::size_t i) const noexcept { return (run_starts[i / 64] >> (i % 64)) & 1u; }
    bool holds() const noexcept { return (below | absent | out_of_order) == 0; }
};

[[noreturn]] void refuse(const std::string& why) {
    refuse_layout(kLayout, why);
}

// Refuses codes whose greatest, `highest`, is at or past `codes` (the alphabet's size, its entry
// 0 standing for none).
void codes_within(std::size_t highest, std::size_t codes) {
    if (highest >= codes) refuse("a character code past its alphabet");
}

// Codes [from, to) of the `Code`s that start `at`, handed to `keep(i, code)`, the shape learnt
// as they pass (`Vouched`): a code of 0 (none) past the root, a code at most the one before it
// where the two are siblings. `before` is code from - 1 (anything for the root); the greatest
// code is kept in `highest`.
template <class Code, class Keep>
void scan_range(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t from,
                std::size_t to, Code before, Code& highest, Vouched& shape, Keep keep) {
    unsigned absent = 0, out_of_order = 0;
    for (std::size_t i = from; i < to; ++i) {
        const Code code = item_at<Code>(bytes, at, i);
        highest = std::max(highest, code);
        keep(i, code);
        absent |= static_cast<unsigned>(i > 0) & static_cast<unsigned>(code == 0);
        out_of_order |= static_cast<unsigned>(i > 1) & static_cast<unsigned>(!shape.starts_run(i)) &
                        static_cast<unsigned>(before >= code);
        before = code;
    }
    shape.absent |= absent;
    shape.out_of_order |= out_of_order;
}

// Each of `count` codes of `Code` starting `at`, handed to `keep(i, code)` in one pass that
// learns the shape (`Vouched`) as it goes; a code at or past `codes` (the alphabet's size, its
// entry 0 standing for none) is refused after the pass.
template <class Code, class Keep>
void scan_codes(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count,
                std::size_t codes, Vouched& shape, Keep keep) {
    Code highest = 0;
    scan_range<Code>(bytes, at, 0, count, 0, highest, shape, keep);
    codes_within(highest, codes);
}

#if defined(__SSE2__)
// One-byte codes, the most common, 64 at a time as the run marks come: for each run of 16, one
// comparison gives which are 0 and one which are at most the code before them. The first 64
// and the last few go one at a time, so that no read strays before or past the codes.
void scan_byte_codes(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count,
                     std::size_t codes, Vouched& shape) {
    const std::uint8_t* const first = bytes.data() + at;
    const auto none = [](std::size_t, std::uint8_t) {};
    std::uint8_t highest = 0;
    const std::size_t head = std::min<std::size_t>(count, 64), blocks = count / 64;
    scan_range<std::uint8_t>(bytes, at, 0, head, 0, highest, shape, none);
    __m128i high = _mm_setzero_si128();
    std::uint64_t absent = 0, out_of_order = 0;
    for (std::size_t w = 1; w < blocks; ++w) {
        std::uint64_t zero = 0, not_rising = 0;
        for (unsigned k = 0; k < 4; ++k) {
            const std::uint8_t* const at16 = first + 64 * w + 16 * k;
            const __m128i code = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at16));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at16 - 1));
            const auto bits = [](__m128i mask) {
                return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(mask)));
            };
            zero |= bits(_mm_cmpeq_epi8(code, _mm_setzero_si128())) << (16 * k);
            not_rising |= bits(_mm_cmpeq_epi8(_mm_max_epu8(before, code), before)) << (16 * k);
            high = _mm_max_epu8(high, code);
        }
        absent |= zero;
        out_of_order |= not_rising & ~shape.run_starts[w];
    }
    std::uint8_t lanes[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), high);
    for (std::uint8_t lane : lanes) highest = std::max(highest, lane);
    shape.absent |= static_cast<unsigned>(absent != 0);
    shape.out_of_order |= static_cast<unsigned>(out_of_order != 0);
    const std::size_t tail = std::max(head, 64 * blocks);
    scan_range<std::uint8_t>(bytes, at, tail, count, tail > 0 ? first[tail - 1] : 0, highest,
                             shape, none);
    codes_within(highest, codes);
}
#endif

// Whether the items of `Item` that start `at` bytes into `bytes` may be read in place, kept
// alive by `backing`: laid out as the processor reads them.
template <class Item>
bool in_place(std::span<const std::uint8_t> bytes, std::size_t at,
              const std::shared_ptr<const void>& backing) noexcept {
    return backing != nullptr && std::endian::native == std::endian::little &&
           reinterpret_cast<std::uintptr_t>(bytes.data() + at) % alignof(Item) == 0;
}

// The `count` items of `Item` that start `at`, read in place where they may be, else copied.
template <class Item>
Stored<Item> stored_at(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count,
                       const std::shared_ptr<const void>& backing) {
    if (!in_place<Item>(bytes, at, backing)) return items_at<Item>(bytes, at, count);
    return Stored<Item>(std::span(reinterpret_cast<const Item*>(bytes.data() + at), count),
                        backing);
}

CharArray read_characters(std::span<const std::uint8_t> bytes, const Counts& counts,
                          const Offsets& at, Vouched& shape,
                          const std::shared_ptr<const void>& backing) {
    std::vector<char32_t> alphabet{CharArray::kAbsent};
    for (std::size_t k = 0; k < counts.alphabet; ++k) {
        const char32_t c = item_at<char32_t>(bytes, at.alphabet, k);
        if (!scalar_value(c) || (k > 0 && c <= alphabet.back()))
            refuse("an alphabet out of order or beyond Unicode");
        alphabet.push_back(c);
    }
    if (counts.width == 1) {  // kept as they are, read through the alphabet
#if defined(__SSE2__)
        scan_byte_codes(bytes, at.codes, counts.nodes, alphabet.size(), shape);
#else
        scan_codes<std::uint8_t>(bytes, at.codes, counts.nodes, alphabet.size(), shape,
                                 [](std::size_t, std::uint8_t) {});
#endif
        Stored<std::uint8_t> codes = stored_at<std::uint8_t>(bytes, at.codes, counts.nodes,
                                                             backing);
        return CharArray(std::move(codes), std::span(alphabet).subspan(1));
    }
    if (counts.width == 2) {  // widened through a table as wide as the codes
        std::vector<char32_t> table(std::size_t{0xFFFF} + 1, CharArray::kAbsent);
        std::ranges::copy(alphabet, table.begin());
        std::vector<char32_t> characters = large_vector<char32_t>(counts.nodes);
        scan_codes<std::uint16_t>(
            bytes, at.codes, counts.nodes, alphabet.size(), shape,
            [&](std::size_t i, std::uint16_t code) { characters[i] = table[code]; });
        return CharArray(std::move(characters));
    }
    std::vector<char32_t> characters = items_at<char32_t>(bytes, at.codes, counts.nodes);
    if (!std::ranges::all_of(characters, scalar_or_absent))
        refuse("a character that is no Unicode scalar value");
    for (std::size_t i = 1; i < characters.size(); ++i) {
        shape.absent |= static_cast<unsigned>(characters[i] == CharArray::kAbsent);
        shape.out_of_order |= static_cast<unsigned>(i > 1) &
                              static_cast<unsigned>(!shape.starts_run(i)) &
                              static_cast<unsigned>(characters[i - 1] >= characters[i]);
    }
    return CharArray(std::move(characters));
}

// Each node's shift, the runs before it added up; they must add up to one link fewer than
// the nodes, every wide run taken once. Written as they are added up into lines of one-byte
// offsets from each line's first shift; a line that spans more (its nodes have more than 255
// children) is added up again and kept whole. Since children are nodes too, at most a quarter
// of the nodes lie in such lines, so the bytes cost less than two-byte offsets would.
OffsetArray read_shifts(std::span<const std::uint8_t> bytes, const Counts& counts,
                        const Offsets& at, Vouched& shape) {
    constexpr std::size_t kPerLine = OffsetArray::kByteNodes;
    const std::size_t nodes = counts.nodes;
    std::vector<OffsetArray::Line> lines =
        large_vector<OffsetArray::Line>((nodes + kPerLine - 1) / kPerLine);
    std::vector<std::uint32_t> apart;
    std::uint64_t links = 0;
    std::size_t wide = 0;
    unsigned below = 0;
    // The marks of the word of run_starts being filled, kept in a register until the first
    // children move past it (they only move forward).
    std::size_t word = 0;
    std::uint64_t marks = 0;
    const std::uint8_t* const runs = bytes.data() + at.runs;  // a local the loop keeps
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::size_t first = l * kPerLine, last = std::min(nodes, first + kPerLine);
        // Shifts never decrease, so a line's first is its least and its last its most.
        const std::uint64_t base = links;
        const std::size_t wide_before = wide;
        std::uint64_t most = 0;
        std::uint8_t* const out = lines[l].rest.data() - first;
        // Most lines hold no wide run and end far from the last node: their children stay
        // within the marks without a bound, and the loop keeps everything in registers.
        const bool fast = base + kPerLine * (kWideRun - 1) < nodes &&
                          std::memchr(runs + first, kWideRun, last - first) == nullptr;
        if (fast) {
            std::uint64_t* const starts = shape.run_starts.data();
            for (std::size_t i = first; i < last; ++i) {
                const std::uint32_t run = runs[i];
                out[i] = static_cast<std::uint8_t>(links - base);
                const std::uint64_t has_children = run != 0;
                below |= static_cast<unsigned>(has_children) & static_cast<unsigned>(links < i);
                const std::uint64_t child = links + 1;
                if (child / 64 != word) [[unlikely]] {
                    starts[word] = marks;
                    word = child / 64;
                    marks = 0;
                }
                marks |= has_children << (child % 64);
                links += run;
            }
            most = links - runs[last - 1];
        }
        for (std::size_t i = fast ? last : first; i < last; ++i) {
            most = links;
            out[i] = static_cast<std::uint8_t>(links - base);
            std::uint32_t run = runs[i];
            if (run == kWideRun) {
                if (wide == counts.wide_runs) refuse("more wide runs than it holds");
                run = item_at<std::uint32_t>(bytes, at.wide_runs, wide++);
                if (run < kWideRun) refuse("a wide run of fewer than 255 children");
            }
            // On the builder's layout, node i's children are links + 1, links + 2, ...
            const auto has_children = static_cast<unsigned>(run != 0);
            below |= has_children & static_cast<unsigned>(links < i);
            // Within bounds: links stays below the nodes until the count is checked after.
            const std::size_t child = std::min<std::uint64_t>(links + 1, nodes);
            if (child / 64 != word) {
                shape.run_starts[word] = marks;
                word = child / 64;
                marks = 0;
            }
            marks |= std::uint64_t{has_children} << (child % 64);
            links += run;
        }
        // Below kApart: the shifts of fewer than 2^32 nodes that add up are less, and runs
        // that do not are refused below.
        lines[l].base = static_cast<std::uint32_t>(base);
        if (most - base > 0xFF) {  // its runs were checked above
            lines[l] = OffsetArray::apart_line(apart.size());
            std::uint64_t shift = base;
            for (std::size_t i = first, w = wide_before; i < last; ++i) {
                apart.push_back(static_cast<std::uint32_t>(shift));
                shift += runs[i] == kWideRun ? item_at<std::uint32_t>(bytes, at.wide_runs, w++)
                                             : runs[i];
            }
        }
    }
    shape.run_starts[word] = marks;
    shape.below |= below;
    if (wide != counts.wide_runs || links != nodes - 1)
        refuse("runs of children that do not add up to one link fewer than its nodes");
    return OffsetArray(nodes, std::move(lines), std::move(apart));
}

PayloadArray read_payloads(std::span<const std::uint8_t> bytes, const Counts& counts,
                           const Offsets& at, const std::shared_ptr<const void>& backing) {
    const std::size_t n = counts.nodes;
    Stored<std::uint64_t> presence =
        stored_at<std::uint64_t>(bytes, at.presence, (n + 63) / 64, backing);
    if (n % 64 != 0 && (presence.back() >> (n % 64)) != 0)
        refuse("a payload bit past the last node");
    std::size_t present = 0;
    for (std::uint64_t word : presence.span()) present += bits_set(word);
    if (present != counts.payloads) refuse("payload bits that are not as many as its payloads");
    return PayloadArray::of_carried(n, std::move(presence),
                                    stored_at<std::uint32_t>(bytes, at.payloads, present, backing));
}

}  // namespace

std::size_t packed_size(const Trie& trie) {
    return Offsets(Plan(trie).counts).end;
}

void write_packed(const Trie& trie, std::span<std::uint8_t> out) {
    const Plan plan(trie);
    const Counts& c = plan.counts;
    const Offsets at(c);
    ItemWriter writer(out);
    for (std::size_t i = 0; std::uint64_t count : {c.nodes, c.links, c.payloads, c.wide_runs})
        writer.put(0, i++, count);
    writer.put(kSizesAt, 0, static_cast<std::uint32_t>(c.alphabet));
    writer.put(kSizesAt, 1, static_cast<std::uint32_t>(c.width));
    for (std::size_t k = 0; k < plan.alphabet.size(); ++k)
        writer.put(at.alphabet, k, static_cast<std::uint32_t>(plan.alphabet[k]));
    const PayloadArray& payloads = trie.node_payloads();
    std::size_t wide = 0, present = 0;
    for (std::uint32_t i = 0; i < c.nodes; ++i) {
        const std::uint32_t code = plan.code_of(trie.node_strings().raw(i));
        if (c.width == 1) writer.put(at.codes, i, static_cast<std::uint8_t>(code));
        if (c.width == 2) writer.put(at.codes, i, static_cast<std::uint16_t>(code));
        if (c.width == 4) writer.put(at.codes, i, code);
        const std::size_t run = run_length(trie, i);
        writer.put(at.runs, i, static_cast<std::uint8_t>(std::min<std::size_t>(run, kWideRun)));
        if (run >= kWideRun) writer.put(at.wide_runs, wide++, static_cast<std::uint32_t>(run));
        if (payloads.has(i)) {
            writer.put(at.payloads, present, payloads.carried()[present]);
            ++present;
        }
    }
    for (std::size_t w = 0; w < payloads.presence().size(); ++w)
        writer.put(at.presence, w, payloads.presence()[w]);
    for (std::size_t p = 0; p < c.links; ++p) writer.put(at.children, p, trie.child_index(p));
}

Trie read_packed(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> backing) {
    if (bytes.size() < kPreamble) refuse("shorter than its counts");
    const std::uint64_t nodes = item_at<std::uint64_t>(bytes, 0, 0);
    const std::uint64_t links = item_at<std::uint64_t>(bytes, 0, 1);
    const std::uint64_t payloads = item_at<std::uint64_t>(bytes, 0, 2);
    const std::uint64_t wide_runs = item_at<std::uint64_t>(bytes, 0, 3);
    const std::uint32_t alphabet = item_at<std::uint32_t>(bytes, kSizesAt, 0);
    const std::uint32_t width = item_at<std::uint32_t>(bytes, kSizesAt, 1);
    // Each node takes a byte at least, and each other item 4: larger counts cannot fit, and
    // are refused before any size is worked out from them. Node ids are 32 bits.
    const std::uint64_t size = bytes.size();
    if (nodes == 0 || nodes > size || nodes > std::numeric_limits<std::uint32_t>::max() ||
        links > size / 4 || payloads > size / 4 || wide_runs > size / 4 || alphabet > size / 4)
        refuse("counts larger than its bytes hold");
    if (links != 0 && links != nodes - 1) refuse("a count of links that no tree has");
    if (width == 4 ? alphabet != 0 : width != code_width(alphabet))
        refuse("codes of " + std::to_string(width) + " bytes for an alphabet of " +
               std::to_string(alphabet));
    const Counts counts{static_cast<std::size_t>(nodes), static_cast<std::size_t>(links),
                        static_cast<std::size_t>(payloads), static_cast<std::size_t>(wide_runs),
                        alphabet, width};
    const Offsets at(counts);
    if (at.end != bytes.size())
        refuse(std::to_string(bytes.size()) + " bytes where its counts make " +
               std::to_string(at.end));
    const std::size_t ends[][2] = {
        {at.alphabet + 4 * counts.alphabet, at.codes},
        {at.codes + width * counts.nodes, at.runs},
        {at.runs + counts.nodes, at.wide_runs},
        {at.wide_runs + 4 * counts.wide_runs, at.presence},
        {at.payloads + 4 * counts.payloads, at.children},
        {at.children + 4 * counts.links, at.end}};
    for (const auto& [first, last] : ends)
        if (!zeros(bytes, first, last)) refuse("padding that is not zero");

    TrieArrays arrays;
    Vouched shape(counts.nodes);
    arrays.node_shifts = read_shifts(bytes, counts, at, shape);
    arrays.node_strings = read_characters(bytes, counts, at, shape, backing);
    arrays.node_payloads = read_payloads(bytes, counts, at, backing);
    if (counts.links == 0) {
        // Every run increasing, the shape is settled; anything else is checked again whole.
        if (shape.holds()) {
            const TreeShape settled{deepest_level(arrays.node_shifts, counts.nodes - 1), true,
                                    true};
            return Trie(std::move(arrays), Trie::LevelByLevel{}, settled);
        }
        return Trie(std::move(arrays), Trie::LevelByLevel{});
    }
    arrays.child_indices = items_at<std::uint32_t>(bytes, at.children, counts.links);
    return Trie(std::move(arrays));
}

}  // namespace brindlemap::serial
