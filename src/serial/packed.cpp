// Writing and reading the packed layout of packed.h: each array read where it lies, or widened
// into the trie's own, in one sequential pass that checks it as it goes.
#include "serial/packed.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "prefix/large_vector.h"
#include "serial/flat_items.h"
#include "serial/offset_lines.h"
#include "serial/run_shifts.h"
#include "serial/shift_lines.h"
#include "serial/vouched.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brindlemap::serial {
namespace {

constexpr std::size_t kPreamble = 40;
// The preamble's u64 counts come first, then its two u32 sizes from here.
constexpr std::size_t kSizesAt = 32;
// Where the shifts are stored in lines, the preamble is padded with zeros to here, where the
// lines begin, so that they lie as a mapped file's 64-byte aligned section does.
constexpr std::size_t kLinesAt = sizeof(OffsetArray::Line);
constexpr std::string_view kLayout = "packed trie";
// The flag of the preamble's code width that says the shifts are stored in lines.
constexpr std::uint32_t kShiftLines = 0x100;

constexpr std::size_t line_count(std::size_t nodes) noexcept {
    return (nodes + OffsetArray::kByteNodes - 1) / OffsetArray::kByteNodes;
}

// The counts of the preamble: what decides where every array lies. Its fourth count is the
// wide runs where the children are stored as runs, the values kept whole (`apart`) where their
// shifts are stored in lines.
struct Counts {
    std::size_t nodes, links, payloads, wide_runs, alphabet, width;
    Children kept = Children::lines;
    std::size_t apart = 0;
};

// Where the arrays of a layout of `counts` begin, and where it ends. Callers keep every count
// below the bytes they have, so nothing overflows.
struct Offsets {
    std::size_t lines, alphabet, codes, runs, wide_runs, presence, payloads, children, end;

    explicit Offsets(const Counts& c) noexcept
        : lines(kLinesAt),
          alphabet(c.kept == Children::runs
                       ? kPreamble
                       : padded(lines + offset_lines_size(line_count(c.nodes), c.apart))),
          codes(alphabet + padded(4 * c.alphabet)),
          runs(codes + padded(c.width * c.nodes)),
          wide_runs(runs + (c.kept == Children::runs ? padded(c.nodes) : 0)),
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

// The counts of `trie` in `children`, its alphabet (empty for codes of 4 bytes, which are the
// characters) and, where the shifts are stored, their lines.
struct Plan {
    Counts counts;
    std::vector<char32_t> alphabet;
    OffsetArray lines;

    Plan(const Trie& trie, Children children) : alphabet(trie.node_strings().alphabet()) {
        const std::size_t nodes = trie.node_shifts().size();
        std::size_t wide = 0;
        if (children == Children::runs)
            for (std::uint32_t i = 0; i < nodes; ++i) wide += run_length(trie, i) >= kWideRun;
        else
            lines = shift_lines(trie.node_shifts());
        const std::size_t width = code_width(alphabet.size());
        if (width == 4) alphabet.clear();
        counts = {nodes,
                  trie.breadth_first() ? 0 : trie.child_index_count(),
                  trie.node_payloads().carried().size(),
                  wide,
                  alphabet.size(),
                  width,
                  children,
                  lines.whole_values().size()};
    }

    std::uint32_t code_of(char32_t c) const noexcept {
        if (counts.width == 4) return static_cast<std::uint32_t>(c);
        if (c == CharArray::kAbsent) return 0;
        const auto at = std::ranges::lower_bound(alphabet, c);
        return static_cast<std::uint32_t>(at - alphabet.begin()) + 1;
    }
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
// as they pass (`Vouched`): a code of 0 (none) past the root is refused, and a code at most the
// one before it marked. `before` is code from - 1 (anything for the root); the greatest code is
// kept in `highest`.
template <class Code, class Keep>
void scan_range(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t from,
                std::size_t to, Code before, Code& highest, Vouched& shape, Keep keep) {
    unsigned absent = 0;
    for (std::size_t i = from; i < to; ++i) {
        const Code code = item_at<Code>(bytes, at, i);
        highest = std::max(highest, code);
        keep(i, code);
        absent |= static_cast<unsigned>(i > 0) & static_cast<unsigned>(code == 0);
        shape.mark(i, before >= code);
        before = code;
    }
    shape.absent |= absent;
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
// One-byte codes, the most common, 64 at a time, a word of marks each: for each 16, one
// comparison gives which are 0 and one which are at most the code before them. The first 64
// and the last few go one at a time, so that no read strays before or past the codes.
void scan_byte_codes(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count,
                     std::size_t codes, Vouched& shape, PieceSums* sums) {
    const std::uint8_t* const first = bytes.data() + at;
    const auto none = [](std::size_t, std::uint8_t) {};
    std::uint8_t highest = 0;
    const std::size_t head = std::min<std::size_t>(count, 64), blocks = count / 64;
    scan_range<std::uint8_t>(bytes, at, 0, head, 0, highest, shape, none);
    __m128i high = _mm_setzero_si128();
    std::uint64_t absent = 0;
    // The codes summed a piece at a time behind the scan, from the first.
    constexpr std::size_t kBlocksSummed = kSumEvery / 64;
    std::size_t summed = 0;
    for (std::size_t w = 1; w < blocks; ++w) {
        if (sums != nullptr && w % kBlocksSummed == 0) {
            sums->add(bytes.subspan(at + summed, 64 * w - summed));
            summed = 64 * w;
        }
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
        shape.not_rising[w] = not_rising;
    }
    std::uint8_t lanes[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), high);
    for (std::uint8_t lane : lanes) highest = std::max(highest, lane);
    shape.absent |= static_cast<unsigned>(absent != 0);
    const std::size_t tail = std::max(head, 64 * blocks);
    scan_range<std::uint8_t>(bytes, at, tail, count, tail > 0 ? first[tail - 1] : 0, highest,
                             shape, none);
    if (sums != nullptr) sums->add(bytes.subspan(at + summed, count - summed));
    codes_within(highest, codes);
}
#endif

// The characters, their codes summed into `sums` where there are any.
CharArray read_characters(std::span<const std::uint8_t> bytes, const Counts& counts,
                          const Offsets& at, Vouched& shape,
                          const std::shared_ptr<const void>& backing, PieceSums* sums) {
    std::vector<char32_t> alphabet{CharArray::kAbsent};
    for (std::size_t k = 0; k < counts.alphabet; ++k) {
        const char32_t c = item_at<char32_t>(bytes, at.alphabet, k);
        if (!scalar_value(c) || (k > 0 && c <= alphabet.back()))
            refuse("an alphabet out of order or beyond Unicode");
        alphabet.push_back(c);
    }
    if (counts.width == 1) {  // kept as they are, read through the alphabet
#if defined(__SSE2__)
        scan_byte_codes(bytes, at.codes, counts.nodes, alphabet.size(), shape, sums);
#else
        scan_codes<std::uint8_t>(bytes, at.codes, counts.nodes, alphabet.size(), shape,
                                 [](std::size_t, std::uint8_t) {});
        if (sums != nullptr) sums->add(bytes.subspan(at.codes, counts.nodes));
#endif
        Stored<std::uint8_t> codes = stored_at<std::uint8_t>(bytes, at.codes, counts.nodes,
                                                             backing);
        return CharArray(std::move(codes), std::span(alphabet).subspan(1));
    }
    if (sums != nullptr) sums->add(bytes.subspan(at.codes, counts.width * counts.nodes));
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
        shape.mark(i, characters[i - 1] >= characters[i]);
    }
    return CharArray(std::move(characters));
}

// The shifts stored in lines, read where they lie and checked as they are (`shift_lines`).
OffsetArray read_lined_shifts(std::span<const std::uint8_t> bytes, const Counts& counts,
                              const Offsets& at, Vouched& shape,
                              const std::shared_ptr<const void>& backing, PieceSums* sums) {
    OffsetArray shifts =
        read_offset_lines(bytes, at.lines, OffsetArray::Width::byte, counts.nodes,
                          line_count(counts.nodes), counts.apart, backing, kLayout, sums);
    check_shift_lines(shifts, counts.nodes, shape, kLayout);
    return shifts;
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

std::size_t packed_size(const Trie& trie, Children children) {
    return Offsets(Plan(trie, children).counts).end;
}

void write_packed(const Trie& trie, std::span<std::uint8_t> out, Children children) {
    const Plan plan(trie, children);
    const Counts& c = plan.counts;
    const Offsets at(c);
    ItemWriter writer(out);
    const bool lined = children == Children::lines;
    for (std::size_t i = 0;
         std::uint64_t count : {c.nodes, c.links, c.payloads, lined ? c.apart : c.wide_runs})
        writer.put(0, i++, count);
    writer.put(kSizesAt, 0, static_cast<std::uint32_t>(c.alphabet));
    writer.put(kSizesAt, 1, static_cast<std::uint32_t>(c.width | (lined ? kShiftLines : 0)));
    if (lined)
        write_offset_lines(plan.lines, out.subspan(at.lines, offset_lines_size(
                                                                 plan.lines.lines().size(),
                                                                 c.apart)));
    for (std::size_t k = 0; k < plan.alphabet.size(); ++k)
        writer.put(at.alphabet, k, static_cast<std::uint32_t>(plan.alphabet[k]));
    const PayloadArray& payloads = trie.node_payloads();
    std::size_t wide = 0, present = 0;
    for (std::uint32_t i = 0; i < c.nodes; ++i) {
        const std::uint32_t code = plan.code_of(trie.node_strings().raw(i));
        if (c.width == 1) writer.put(at.codes, i, static_cast<std::uint8_t>(code));
        if (c.width == 2) writer.put(at.codes, i, static_cast<std::uint16_t>(code));
        if (c.width == 4) writer.put(at.codes, i, code);
        if (!lined) {
            const std::size_t run = run_length(trie, i);
            writer.put(at.runs, i,
                       static_cast<std::uint8_t>(std::min<std::size_t>(run, kWideRun)));
            if (run >= kWideRun)
                writer.put(at.wide_runs, wide++, static_cast<std::uint32_t>(run));
        }
        if (payloads.has(i)) {
            writer.put(at.payloads, present, payloads.carried()[present]);
            ++present;
        }
    }
    for (std::size_t w = 0; w < payloads.presence().size(); ++w)
        writer.put(at.presence, w, payloads.presence()[w]);
    for (std::size_t p = 0; p < c.links; ++p) writer.put(at.children, p, trie.child_index(p));
}

Trie read_packed(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> backing,
                 Children expected, PieceSums* sums) {
    if (bytes.size() < kPreamble) refuse("shorter than its counts");
    const std::uint64_t nodes = item_at<std::uint64_t>(bytes, 0, 0);
    const std::uint64_t links = item_at<std::uint64_t>(bytes, 0, 1);
    const std::uint64_t payloads = item_at<std::uint64_t>(bytes, 0, 2);
    const std::uint64_t fourth = item_at<std::uint64_t>(bytes, 0, 3);
    const std::uint32_t alphabet = item_at<std::uint32_t>(bytes, kSizesAt, 0);
    const std::uint32_t sizes = item_at<std::uint32_t>(bytes, kSizesAt, 1);
    const Children children = (sizes & kShiftLines) != 0 ? Children::lines : Children::runs;
    if (children != expected)
        refuse(children == Children::lines ? "shifts stored in lines where runs were expected"
                                           : "runs of children where shift lines were expected");
    const std::uint32_t width = sizes & ~kShiftLines;
    if (children == Children::lines && (bytes.size() < kLinesAt || !zeros(bytes, kPreamble, kLinesAt)))
        refuse("a preamble padded with more than zeros");
    // Each node takes a byte at least, and each other item 4: larger counts cannot fit, and
    // are refused before any size is worked out from them. Node ids are 32 bits.
    const std::uint64_t size = bytes.size();
    if (nodes == 0 || nodes > size || nodes > std::numeric_limits<std::uint32_t>::max() ||
        links > size / 4 || payloads > size / 4 || fourth > size / 4 || alphabet > size / 4)
        refuse("counts larger than its bytes hold");
    if (links != 0 && links != nodes - 1) refuse("a count of links that no tree has");
    if (width == 4 ? alphabet != 0 : width != code_width(alphabet))
        refuse("codes of " + std::to_string(width) + " bytes for an alphabet of " +
               std::to_string(alphabet));
    const bool lined = children == Children::lines;
    const Counts counts{static_cast<std::size_t>(nodes),
                        static_cast<std::size_t>(links),
                        static_cast<std::size_t>(payloads),
                        lined ? 0 : static_cast<std::size_t>(fourth),
                        alphabet,
                        width,
                        children,
                        lined ? static_cast<std::size_t>(fourth) : 0};
    const Offsets at(counts);
    if (at.end != bytes.size())
        refuse(std::to_string(bytes.size()) + " bytes where its counts make " +
               std::to_string(at.end));
    const std::size_t ends[][2] = {
        {lined ? at.lines + offset_lines_size(line_count(counts.nodes), counts.apart) : 0,
         lined ? at.alphabet : 0},
        {at.alphabet + 4 * counts.alphabet, at.codes},
        {at.codes + width * counts.nodes, at.runs},
        {lined ? at.runs : at.runs + counts.nodes, at.wide_runs},
        {at.wide_runs + 4 * counts.wide_runs, at.presence},
        {at.payloads + 4 * counts.payloads, at.children},
        {at.children + 4 * counts.links, at.end}};
    for (const auto& [first, last] : ends)
        if (!zeros(bytes, first, last)) refuse("padding that is not zero");

    // The bytes from `first` to `last` summed, once a pass has read them (the codes and the
    // shift lines as their passes go; whatever is left out, the caller sums).
    const auto summed = [&](std::size_t first, std::size_t last) {
        if (sums != nullptr) sums->add(bytes.subspan(first, last - first));
    };
    TrieArrays arrays;
    Vouched shape(counts.nodes);
    summed(at.alphabet, at.codes);
    arrays.node_strings = read_characters(bytes, counts, at, shape, backing, sums);
    arrays.node_shifts = lined ? read_lined_shifts(bytes, counts, at, shape, backing, sums)
                               : read_run_shifts(bytes, at.runs, at.wide_runs, counts.nodes,
                                                 counts.wide_runs, shape, kLayout);
    summed(at.runs, at.presence);
    arrays.node_payloads = read_payloads(bytes, counts, at, backing);
    summed(at.presence, at.children);
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
    summed(at.children, at.end);
    return Trie(std::move(arrays));
}

}  // namespace brindlemap::serial
