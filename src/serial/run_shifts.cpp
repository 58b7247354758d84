// Reading the runs of children of index files of format 4 into the lines of one-byte offsets a
// trie keeps its shifts in: a line of 60 runs added up 16 at a time where it can be, checked
// as it goes.
#include "serial/run_shifts.h"

#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "prefix/large_vector.h"
#include "serial/flat_items.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brindlemap::serial {
namespace {

#if defined(__SSE2__)
// Adds up the line of `kByteNodes` runs of the nodes from `first`, 16 at a time: each run's
// offset from the line's first shift, `base`, written to `out`, and each run of two or more
// children checked to rise (`Vouched`). Returns the runs' sum, or nothing, before writing
// anything, where a run is wide or the children pass the last of the `nodes`. A line whose
// offsets pass a byte still has them wrong, and is added up again by the caller. Reads 64 runs,
// so the caller keeps 64 runs in reach.
std::optional<std::uint64_t> add_up_line(const std::uint8_t* runs, std::uint64_t base,
                                         std::uint8_t* out, std::size_t first, std::size_t nodes,
                                         Vouched& shape, unsigned& below) {
    constexpr std::size_t kLine = OffsetArray::kByteNodes;
    static_assert(kLine > 48 && kLine <= 64);
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    const auto lanes = [](__m128i mask, unsigned k) {
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(mask)))
               << (16 * k);
    };
    __m128i run[4];
    std::uint64_t wide = 0;
    for (unsigned k = 0; k < 4; ++k) {
        run[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(runs + 16 * k));
        wide |= lanes(_mm_cmpeq_epi8(run[k], _mm_set1_epi8(-1)), k);
    }
    constexpr std::uint64_t kInLine = (std::uint64_t{1} << kLine) - 1;
    if ((wide & kInLine) != 0) return std::nullopt;
    // The runs past the line belong to the next, and are left out of the sum.
    const __m128i last = _mm_and_si128(run[3], _mm_srli_si128(_mm_set1_epi8(-1), 4));
    std::uint64_t sum = 0;
    for (unsigned k = 0; k < 4; ++k) {
        const __m128i halves = _mm_sad_epu8(k < 3 ? run[k] : last, zero);
        sum += static_cast<std::uint64_t>(_mm_cvtsi128_si32(halves)) +
               static_cast<std::uint64_t>(_mm_extract_epi16(halves, 4));
    }
    if (base + sum >= nodes) return std::nullopt;
    std::uint64_t parents = 0, alone = 0;
    alignas(16) std::uint8_t offsets[64];
    __m128i before = zero;  // the line's runs before these, each lane
    for (unsigned k = 0; k < 4; ++k) {
        __m128i within = _mm_add_epi8(run[k], _mm_slli_si128(run[k], 1));
        within = _mm_add_epi8(within, _mm_slli_si128(within, 2));
        within = _mm_add_epi8(within, _mm_slli_si128(within, 4));
        within = _mm_add_epi8(within, _mm_slli_si128(within, 8));
        // Each run's offset is the runs before it: the sums up to it, less itself.
        _mm_store_si128(reinterpret_cast<__m128i*>(offsets + 16 * k),
                        _mm_add_epi8(_mm_sub_epi8(within, run[k]), before));
        before = _mm_add_epi8(before, _mm_set1_epi8(static_cast<char>(
                                          _mm_extract_epi16(within, 7) >> 8)));
        parents |= lanes(_mm_cmpeq_epi8(run[k], zero), k);
        alone |= lanes(_mm_cmpeq_epi8(_mm_subs_epu8(run[k], one), zero), k);
    }
    parents = ~parents & kInLine;
    std::uint64_t siblings = ~alone & kInLine;  // runs of two or more
    std::memcpy(out, offsets, kLine);
    if (sum > 0xFF) {  // offsets past a byte wrapped: the runs are taken one by one
        for (std::uint64_t links = base, i = 0; i < kLine; links += runs[i++]) {
            below |= static_cast<unsigned>(runs[i] != 0) & static_cast<unsigned>(links < first + i);
            shape.check_run(links + 1, runs[i]);
        }
        return sum;
    }
    // On the builder's layout node i's children follow it: with the line's least shift past its
    // last node, every node's are; else each parent is checked.
    if (base < first + kLine - 1)
        for (; parents != 0; parents &= parents - 1) {
            const unsigned i = static_cast<unsigned>(std::countr_zero(parents));
            below |= static_cast<unsigned>(base + offsets[i] < first + i);
        }
    for (; siblings != 0; siblings &= siblings - 1) {
        const unsigned i = static_cast<unsigned>(std::countr_zero(siblings));
        shape.check_run(base + 1 + offsets[i], runs[i]);
    }
    return sum;
}
#endif

}  // namespace

// Each node's shift, the runs before it added up; they must add up to one link fewer than
// the nodes, every wide run taken once. Written as they are added up into lines of one-byte
// offsets from each line's first shift; a line that spans more (its nodes have more than 255
// children) is added up again and kept whole. Since children are nodes too, at most a quarter
// of the nodes lie in such lines, so the bytes cost less than two-byte offsets would.
OffsetArray read_run_shifts(std::span<const std::uint8_t> bytes, std::size_t runs_at,
                            std::size_t wide_at, std::size_t nodes, std::size_t wide_runs,
                            Vouched& shape, std::string_view layout) {
    constexpr std::size_t kPerLine = OffsetArray::kByteNodes;
    std::vector<OffsetArray::Line> lines =
        large_vector<OffsetArray::Line>((nodes + kPerLine - 1) / kPerLine);
    std::vector<std::uint32_t> apart;
    std::uint64_t links = 0;
    std::size_t wide = 0;
    unsigned below = 0;
    const std::uint8_t* const runs = bytes.data() + runs_at;  // a local the loop keeps
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::size_t first = l * kPerLine, last = std::min(nodes, first + kPerLine);
        // Shifts never decrease, so a line's first is its least and its last its most.
        const std::uint64_t base = links;
        const std::size_t wide_before = wide;
        std::uint64_t most = 0;
        std::uint8_t* const out = lines[l].rest.data() - first;
        // Most lines hold no wide run and have their children within the nodes: they are added
        // up together, or where 64 runs are not in reach (and far from the last node, so with
        // no bound to check) in a loop that keeps everything in registers; the rest one by one
        // below.
        const bool far = base + kPerLine * (kWideRun - 1) < nodes;
        bool added = false;
#if defined(__SSE2__)
        if (first + 64 <= nodes) {
            const std::optional<std::uint64_t> sum =
                add_up_line(runs + first, base, lines[l].rest.data(), first, nodes, shape, below);
            added = sum.has_value();
            links += sum.value_or(0);
        }
#endif
        if (!added && far && std::memchr(runs + first, kWideRun, last - first) == nullptr) {
            for (std::size_t i = first; i < last; ++i) {
                const std::uint32_t run = runs[i];
                out[i] = static_cast<std::uint8_t>(links - base);
                below |= static_cast<unsigned>(run != 0) & static_cast<unsigned>(links < i);
                shape.check_run(links + 1, run);
                links += run;
            }
            added = true;
        }
        if (added) most = links - runs[last - 1];
        for (std::size_t i = added ? last : first; i < last; ++i) {
            most = links;
            out[i] = static_cast<std::uint8_t>(links - base);
            std::uint32_t run = runs[i];
            if (run == kWideRun) {
                if (wide == wide_runs) refuse_layout(layout, "more wide runs than it holds");
                run = item_at<std::uint32_t>(bytes, wide_at, wide++);
                if (run < kWideRun) refuse_layout(layout, "a wide run of fewer than 255 children");
            }
            // On the builder's layout, node i's children are links + 1, links + 2, ...
            below |= static_cast<unsigned>(run != 0) & static_cast<unsigned>(links < i);
            // Runs past the last node are refused once the count is checked after.
            if (links + run < nodes) shape.check_run(links + 1, run);
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
                shift += runs[i] == kWideRun ? item_at<std::uint32_t>(bytes, wide_at, w++)
                                             : runs[i];
            }
        }
    }
    shape.below |= below;
    if (wide != wide_runs || links != nodes - 1)
        refuse_layout(layout, "runs of children that do not add up to one link fewer than its nodes");
    return OffsetArray(nodes, std::move(lines), std::move(apart));
}

}  // namespace brindlemap::serial
