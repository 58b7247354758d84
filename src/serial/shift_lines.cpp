// Making and checking the shift lines of shift_lines.h: a full line of offsets is checked 16 at
// a time, the rest one value at a time.
#include "serial/shift_lines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>
#include <vector>

#include "serial/flat_items.h"
#include "serial/offset_lines.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace brindlemap::serial {
namespace {

using Line = OffsetArray::Line;
constexpr std::size_t kPerLine = OffsetArray::kByteNodes;

// The first value of `line`: its base, or its first value kept whole. A line of offsets whose
// first offset is not 0 is refused where it is checked.
std::uint64_t first_value(const Line& line, std::span<const std::uint32_t> apart) noexcept {
    return line.base == OffsetArray::kApart ? apart[apart_first(line)] : line.base;
}

// The `count` values of a line from node `first`, `value(k)` each, followed by `next`, at most
// the last node: whether they never fall, each run they bound taken to `shape` and `below` as it goes.
template <class Value>
bool check_values(Value value, std::size_t count, std::uint64_t next, std::size_t first,
                  Vouched& shape, unsigned& below) {
    std::uint64_t v = value(0);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint64_t after = k + 1 < count ? value(k + 1) : next;
        if (after < v || after > next) return false;  // so that no run passes the nodes
        const std::uint64_t run = after - v;
        // On the builder's layout, node i's children come after it.
        below |= static_cast<unsigned>(run != 0) & static_cast<unsigned>(v < first + k);
        if (run > 1) shape.check_run(v + 1, run);
        v = after;
    }
    return true;
}

#if defined(__SSE2__)
#define BRINDLEMAP_SHUFFLES __attribute__((target("ssse3,popcnt")))

// Whether the processor shuffles bytes by a vector of indices (and counts bits in one
// instruction).
bool shuffles() noexcept {
    static const bool can = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
    return can;
}

// Whether any of the `children` nodes after a full line's least shift (at most 128, their marks
// the bits of `marks`) is marked but begins no run: every run then rises. The line's bytes are
// `at`, whose bits `starts` (of 4 to 63) are the nodes whose runs are not empty, all within the
// 128: each marked start is found by its offset, 16 at a time, and the marks at the starts
// counted against all the marks among the children. Runs begin at distinct nodes, so the
// counts agree only where every mark is at a start.
BRINDLEMAP_SHUFFLES unsigned stray_marks(const std::uint8_t* at, std::uint64_t starts,
                                         Bits128 marks, std::uint64_t children) noexcept {
    const auto low = static_cast<long long>(marks), high = static_cast<long long>(marks >> 64);
    const __m128i bytes = _mm_set_epi64x(high, low);
    const __m128i bit_of =
        _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m128i sevens = _mm_set1_epi8(7), fifteens = _mm_set1_epi8(15);
    std::uint64_t marked_starts = 0;
    for (unsigned k = 0; k < 4; ++k) {
        // Offsets below 128: a byte of the marks each, and a bit of it (the base's four bytes,
        // whatever they hold, fall outside `starts`).
        const __m128i offset = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * k));
        const __m128i byte =
            _mm_shuffle_epi8(bytes, _mm_and_si128(_mm_srli_epi16(offset, 3), fifteens));
        const __m128i bit = _mm_shuffle_epi8(bit_of, _mm_and_si128(offset, sevens));
        const __m128i marked = _mm_cmpeq_epi8(_mm_and_si128(byte, bit), bit);
        marked_starts |=
            static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(marked)))
            << (16 * k);
    }
    const Bits128 among = children == 128 ? ~Bits128{0} : (Bits128{1} << children) - 1;
    const Bits128 counted = marks & among;
    const int all = __builtin_popcountll(static_cast<std::uint64_t>(counted)) +
                    __builtin_popcountll(static_cast<std::uint64_t>(counted >> 64));
    return static_cast<unsigned>(__builtin_popcountll(marked_starts & starts) != all);
}

// check_values for a line of offsets that is not the last (its next line follows it in memory):
// the offsets compared with those after them 16 at a time, which also gives each run.
bool check_full_line(const Line& line, std::uint64_t next, std::size_t first, Vouched& shape,
                     unsigned& below) {
    const auto* at = reinterpret_cast<const std::uint8_t*>(&line);
    // Bytes 4 to 62: offsets 0 to 58, each with the one after it in the byte after.
    constexpr std::uint64_t kPaired = ~std::uint64_t{0xF} & ~(std::uint64_t{1} << 63);
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    const auto lanes = [](__m128i mask, unsigned k) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(mask)))
               << (16 * k);
    };
    std::uint64_t rising = 0, childless = 0, alone = 0;
    for (unsigned k = 0; k < 4; ++k) {
        // The last reads the next line's first byte, which is masked out.
        const __m128i offset = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * k));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * k + 1));
        rising |= lanes(_mm_cmpeq_epi8(_mm_max_epu8(offset, after), after), k);
        const __m128i run = _mm_sub_epi8(after, offset);
        childless |= lanes(_mm_cmpeq_epi8(run, zero), k);
        alone |= lanes(_mm_cmpeq_epi8(_mm_subs_epu8(run, one), zero), k);
    }
    const std::uint64_t base = line.base, last = base + at[63];
    if ((rising & kPaired) != kPaired || at[4] != 0 || next < last) return false;
    const std::uint64_t last_run = next - last;
    below |= static_cast<unsigned>(last_run != 0) &
             static_cast<unsigned>(last < first + kPerLine - 1);
    // With the line's least shift past its last node, every node's children follow it.
    if (base < first + kPerLine - 1)
        for (std::uint64_t parents = ~childless & kPaired; parents != 0; parents &= parents - 1) {
            const unsigned b = static_cast<unsigned>(std::countr_zero(parents));
            below |= static_cast<unsigned>(base + at[b] < first + b - 4);
        }
    // The children of the line's nodes, those from base + 1 to next, mostly 128 or fewer.
    const std::uint64_t children = next - base;
    if (children <= 128 && shuffles()) {
        const std::uint64_t starts =
            (~childless & kPaired) | (std::uint64_t{last_run != 0} << 63);
        shape.out_of_order |= stray_marks(at, starts, shape.marks_from(base + 1), children);
        return true;
    }
    if (last_run > 1) shape.check_run(last + 1, last_run);
    // The runs of two or more, most of them within the 128 nodes after the line's least shift:
    // the marks of those nodes taken once, and the nodes after the first of each run gathered
    // as bits beside them (from at[b] + 1 to at[b + 1] - 1) to be compared at once.
    Bits128 within = 0;
    for (std::uint64_t runs = ~alone & kPaired; runs != 0; runs &= runs - 1) {
        const unsigned b = static_cast<unsigned>(std::countr_zero(runs));
        if (at[b + 1] < 128)
            within |= (Bits128{1} << at[b + 1]) - (Bits128{2} << at[b]);
        else
            shape.check_run(base + at[b] + 1, at[b + 1] - at[b]);
    }
    shape.out_of_order |= static_cast<unsigned>((within & shape.marks_from(base + 1)) != 0);
    return true;
}
#endif

}  // namespace

OffsetArray shift_lines(const OffsetArray& shifts) {
    std::vector<std::uint32_t> values(shifts.size());
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = shifts[i];
    // Shifts never fall, so each line's least is its first: the base the reader asks for.
    OffsetArray lines(std::move(values));
    lines.compact_to(OffsetArray::Width::byte);
    return lines;
}

void check_shift_lines(const OffsetArray& shifts, std::size_t nodes, Vouched& shape,
                       std::string_view layout) {
    const std::span<const Line> lines = shifts.lines();
    const std::span<const std::uint32_t> apart = shifts.whole_values();
    const std::uint64_t last_node = nodes - 1;
    if (first_value(lines[0], apart) != 0) refuse_layout(layout, "shifts that do not start at 0");
    unsigned below = 0;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Line& line = lines[l];
        const std::size_t first = l * kPerLine, count = std::min(kPerLine, nodes - first);
        // The last node's children run to the last node.
        const std::uint64_t next =
            l + 1 < lines.size() ? first_value(lines[l + 1], apart) : last_node;
        bool holds = next <= last_node;
        if (!holds) {
        } else if (line.base == OffsetArray::kApart) {
            const std::uint32_t* values = apart.data() + apart_first(line);
            holds = check_values([&](std::size_t k) { return values[k]; }, count, next, first,
                                 shape, below);
#if defined(__SSE2__)
        } else if (l + 1 < lines.size()) {
            holds = check_full_line(line, next, first, shape, below);
#endif
        } else {
            holds = line.rest[0] == 0 &&
                    check_values([&](std::size_t k) { return std::uint64_t{line.base} + line.rest[k]; },
                                 count, next, first, shape, below);
        }
        if (!holds)
            refuse_layout(layout, "shifts that fall or pass the last node, or a line of offsets "
                                  "that does not start at its base");
    }
    shape.below |= below;
}

}  // namespace brindlemap::serial
