// Writing and reading the lines of offset_lines.h: each line copied out as it is kept, and read
// in place where it may be, its tiling and unused bytes checked.
#include "serial/offset_lines.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "prefix/large_vector.h"
#include "serial/flat_items.h"

namespace brindlemap::serial {
namespace {

using Line = OffsetArray::Line;
using Width = OffsetArray::Width;

// `line` with its numbers swapped between the processor's order and the file's, little-endian:
// its base, and the first value's place or the two-byte offsets. Nothing on most processors.
Line swapped(const Line& given, Width width) noexcept {
    Line line = given;
    if constexpr (std::endian::native != std::endian::little) {
        const auto swap_at = [&]<class Number>(std::size_t at, Number) {
            Number number;
            std::memcpy(&number, line.rest.data() + at, sizeof number);
            number = little_endian(number);
            std::memcpy(line.rest.data() + at, &number, sizeof number);
        };
        if (line.base == OffsetArray::kApart) {
            swap_at(0, std::uint32_t{});
        } else if (width == Width::half) {
            for (std::size_t k = 0; k < OffsetArray::kHalfNodes; ++k) swap_at(2 * k, std::uint16_t{});
        }
        line.base = little_endian(line.base);
    }
    return line;
}

// The `count` lines that start `at`, read in place where they may be, else copied.
Stored<Line> lines_at(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count,
                      Width width, const std::shared_ptr<const void>& backing) {
    if (in_place<Line>(bytes, at, backing))
        return Stored<Line>(std::span(reinterpret_cast<const Line*>(bytes.data() + at), count),
                            backing);
    std::vector<Line> lines = large_vector<Line>(count);
    if (count != 0) std::memcpy(lines.data(), bytes.data() + at, sizeof(Line) * count);
    if constexpr (std::endian::native != std::endian::little)
        for (Line& line : lines) line = swapped(line, width);
    return lines;
}

bool zero_from(const Line& line, std::size_t from) noexcept {
    return std::all_of(line.rest.begin() + static_cast<std::ptrdiff_t>(from), line.rest.end(),
                       [](std::uint8_t b) { return b == 0; });
}

}  // namespace

std::uint32_t apart_first(const Line& line) noexcept {
    std::uint32_t first;
    std::memcpy(&first, line.rest.data(), sizeof first);
    return first;
}

void write_offset_lines(const OffsetArray& array, std::span<std::uint8_t> out) {
    const std::span<const Line> lines = array.lines();
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const Line line = swapped(lines[l], array.width());
        std::memcpy(out.data() + sizeof(Line) * l, &line, sizeof line);
    }
    ItemWriter writer(out.subspan(sizeof(Line) * lines.size()));
    const std::span<const std::uint32_t> values = array.whole_values();
    for (std::size_t i = 0; i < values.size(); ++i) writer.put(0, i, values[i]);
}

OffsetArray read_offset_lines(std::span<const std::uint8_t> bytes, std::size_t at, Width width,
                              std::size_t n, std::size_t lines, std::size_t values,
                              const std::shared_ptr<const void>& backing,
                              std::string_view layout, PieceSums* sums) {
    const std::size_t per_line = width == Width::whole ? 0 : OffsetArray::per_line(width);
    if (width == Width::whole ? lines != 0 || values != n
                              : lines != (n + per_line - 1) / per_line)
        refuse_layout(layout, "lines that do not hold its " + std::to_string(n) + " values");
    Stored<Line> kept = lines_at(bytes, at, lines, width, backing);
    // The lines kept whole take the values in turn, from the first; every byte a line does not
    // use is zero.
    std::size_t next = 0;
    bool unused_zero = true;
    constexpr std::size_t kLinesSummed = kSumEvery / sizeof(Line);
    for (std::size_t from = 0; from < kept.size(); from += kLinesSummed) {
        const std::size_t to = std::min(kept.size(), from + kLinesSummed);
        for (std::size_t l = from; l < to; ++l)
            if (kept[l].base == OffsetArray::kApart) {
                if (apart_first(kept[l]) != next)
                    refuse_layout(layout,
                                  "values kept whole that do not tile the lines that keep them");
                next += std::min(per_line, n - l * per_line);
                unused_zero &= zero_from(kept[l], sizeof(std::uint32_t));
            }
        if (sums != nullptr)
            sums->add(bytes.subspan(at + sizeof(Line) * from, sizeof(Line) * (to - from)));
    }
    if (sums != nullptr) sums->add(bytes.subspan(at + sizeof(Line) * lines, 4 * values));
    if (width != Width::whole && next != values)
        refuse_layout(layout, "values kept whole that do not tile the lines that keep them");
    if (lines != 0 && kept.back().base != OffsetArray::kApart)
        unused_zero &= zero_from(kept.back(), (n - (lines - 1) * per_line) *
                                                  (width == Width::byte ? 1 : 2));
    if (!unused_zero) refuse_layout(layout, "a line whose unused bytes are not zero");
    return OffsetArray::kept(width, n, std::move(kept),
                             stored_at<std::uint32_t>(bytes, at + sizeof(Line) * lines, values,
                                                      backing));
}

}  // namespace brindlemap::serial
