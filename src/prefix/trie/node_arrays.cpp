// Making the per-node arrays compact: values as offsets in lines from a base each, characters as
// one-byte codes, and the values of the nodes that carry a payload with their ranks.
#include "prefix/trie/node_arrays.h"

#include <algorithm>

namespace brindlemap {

namespace {

// The least and the most value of each run of OffsetArray::kHalfNodes values (the last run
// may be shorter), in one pass whose inner loop the compiler vectorises.
struct Runs {
    std::vector<std::uint32_t> least, most;
};

Runs runs_of(std::span<const std::uint32_t> values) {
    constexpr std::size_t kRun = OffsetArray::kHalfNodes;
    const std::size_t n = values.size(), runs = (n + kRun - 1) / kRun;
    Runs out{std::vector<std::uint32_t>(runs), std::vector<std::uint32_t>(runs)};
    for (std::size_t r = 0; r < runs; ++r) {
        std::uint32_t least = OffsetArray::kApart, most = 0;
        for (std::size_t i = r * kRun; i < std::min(n, r * kRun + kRun); ++i) {
            least = std::min(least, values[i]);
            most = std::max(most, values[i]);
        }
        out.least[r] = least;
        out.most[r] = most;
    }
    return out;
}

// The runs of kByteNodes values, the one-byte lines, from those of kHalfNodes: two of those each.
Runs paired(const Runs& halves) {
    Runs bytes{std::vector<std::uint32_t>((halves.least.size() + 1) / 2),
               std::vector<std::uint32_t>((halves.least.size() + 1) / 2)};
    for (std::size_t l = 0; l < bytes.least.size(); ++l) {
        const std::size_t second = std::min(2 * l + 1, halves.least.size() - 1);
        bytes.least[l] = std::min(halves.least[2 * l], halves.least[second]);
        bytes.most[l] = std::max(halves.most[2 * l], halves.most[second]);
    }
    return bytes;
}

// Whether a line whose values lie from `least` to `most` keeps them apart: when they span
// more than `limit`, or are all kApart, so that a base of kApart marks the lines apart alone.
bool kept_apart(std::uint32_t least, std::uint32_t most, std::uint32_t limit) noexcept {
    return most - least > limit || least == OffsetArray::kApart;
}

}  // namespace

void OffsetArray::keep(Width width, std::span<const std::uint32_t> least,
                       std::span<const std::uint32_t> most) {
    const std::size_t n = whole_.size();
    const std::size_t per_line = width == Width::byte ? kByteNodes : kHalfNodes;
    const std::uint32_t limit = width == Width::byte ? 0xFF : 0xFFFF;
    std::vector<Line> lines(least.size());
    std::vector<std::uint32_t> apart;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::uint32_t* values = whole_.data() + l * per_line;
        const std::size_t count = std::min(per_line, n - l * per_line);
        Line& line = lines[l];
        if (kept_apart(least[l], most[l], limit)) {
            line = apart_line(apart.size());
            apart.insert(apart.end(), values, values + count);
            continue;
        }
        line.base = least[l];
        if (width == Width::byte) {
            for (std::size_t k = 0; k < count; ++k)
                line.rest[k] = static_cast<std::uint8_t>(values[k] - least[l]);
        } else {
            for (std::size_t k = 0; k < count; ++k) {
                const auto half = static_cast<std::uint16_t>(values[k] - least[l]);
                std::memcpy(line.rest.data() + 2 * k, &half, sizeof half);
            }
        }
    }
    lines_ = std::move(lines);
    apart_ = std::move(apart);
    size_ = n;
    whole_ = Stored<std::uint32_t>();
    width_ = width;
}

void OffsetArray::compact() {
    if (width_ != Width::whole) return;
    const std::size_t n = whole_.size();
    // Runs of kHalfNodes are the two-byte lines; two of them make a one-byte line.
    const Runs halves = runs_of(whole_);
    const Runs bytes = paired(halves);
    // What each width costs: its lines, and 4 bytes for each value of a line kept apart.
    const auto cost = [&](const Runs& runs, std::size_t per_line, std::uint32_t limit) {
        std::size_t total = runs.least.size() * sizeof(Line);
        for (std::size_t l = 0; l < runs.least.size(); ++l)
            if (kept_apart(runs.least[l], runs.most[l], limit))
                total += 4 * std::min(per_line, n - l * per_line);
        return total;
    };
    const std::size_t in_bytes = cost(bytes, kByteNodes, 0xFF);
    const std::size_t in_halves = cost(halves, kHalfNodes, 0xFFFF);
    if (std::min(in_bytes, in_halves) >= 4 * n) return;
    if (in_bytes <= in_halves)
        keep(Width::byte, bytes.least, bytes.most);
    else
        keep(Width::half, halves.least, halves.most);
}

void OffsetArray::compact_to(Width width) {
    if (width_ != Width::whole || width == Width::whole) return;
    const Runs halves = runs_of(whole_);
    if (width == Width::half) {
        keep(Width::half, halves.least, halves.most);
    } else {
        const Runs bytes = paired(halves);
        keep(Width::byte, bytes.least, bytes.most);
    }
}

bool operator==(const OffsetArray& a, const OffsetArray& b) noexcept {
    if (a.size() != b.size()) return false;
    if (a.width_ == OffsetArray::Width::whole && b.width_ == OffsetArray::Width::whole)
        return a.whole_ == b.whole_;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

CharArray::CharArray(Stored<std::uint8_t> codes, std::span<const char32_t> alphabet) noexcept
    : codes_(std::move(codes)), narrow_(true) {
    table_.fill(kAbsent);
    std::ranges::copy(alphabet.first(std::min(alphabet.size(), kMostNarrow)), table_.begin() + 1);
}

namespace {

constexpr std::size_t kScalars = 0x110000;

// The distinct characters of `characters`, in increasing order, found through a bit per scalar
// value; only the first `most` + 1 where there are more than `most`.
std::vector<char32_t> distinct(std::span<const char32_t> characters, std::size_t most) {
    std::vector<std::uint64_t> seen(kScalars / 64);
    std::vector<char32_t> found;
    for (const char32_t c : characters) {
        if (c >= kScalars) continue;
        std::uint64_t& word = seen[c / 64];
        const std::uint64_t bit = std::uint64_t{1} << (c % 64);
        if ((word & bit) != 0) continue;
        word |= bit;
        found.push_back(c);
        if (found.size() > most) break;
    }
    std::ranges::sort(found);
    return found;
}

}  // namespace

std::vector<char32_t> CharArray::alphabet() const {
    if (!narrow_) return distinct(wide_, kScalars);
    std::vector<char32_t> found;
    for (std::size_t k = 1; k < table_.size() && table_[k] != kAbsent; ++k)
        found.push_back(table_[k]);
    return found;
}

void CharArray::narrow() {
    if (narrow_) return;
    const std::vector<char32_t> alphabet = distinct(wide_, kMostNarrow);
    if (alphabet.size() > kMostNarrow) return;
    // Each character's code: directly for the first plane, by a search past it.
    std::vector<std::uint8_t> first_plane(0x10000);
    for (std::size_t k = 0; k < alphabet.size() && alphabet[k] < 0x10000; ++k)
        first_plane[alphabet[k]] = static_cast<std::uint8_t>(k + 1);
    std::vector<std::uint8_t> codes(wide_.size());
    for (std::size_t i = 0; i < wide_.size(); ++i) {
        const char32_t c = wide_[i];
        if (c < 0x10000) {
            codes[i] = first_plane[c];
        } else if (c != kAbsent) {
            codes[i] = static_cast<std::uint8_t>(std::ranges::lower_bound(alphabet, c) -
                                                 alphabet.begin() + 1);
        }
    }
    *this = CharArray(std::move(codes), alphabet);
}

bool operator==(const CharArray& a, const CharArray& b) noexcept {
    if (a.size() != b.size()) return false;
    if (a.narrow_ == b.narrow_ && !a.narrow_) return a.wide_ == b.wide_;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a.raw(i) != b.raw(i)) return false;
    return true;
}

PayloadArray::PayloadArray(std::span<const std::uint32_t> values,
                           std::vector<std::uint64_t> present)
    : size_(values.size()), present_(std::move(present)) {
    rank();
    carried_.reserve(ranks_.empty() ? 0 : ranks_.back() + bits_set(present_.back()));
    for (std::size_t w = 0; w < present_.size(); ++w)
        for (std::uint64_t bits = present_[w]; bits != 0; bits &= bits - 1)
            carried_.push_back(values[64 * w + static_cast<std::size_t>(std::countr_zero(bits))]);
}

PayloadArray PayloadArray::of_carried(std::size_t n, Stored<std::uint64_t> present,
                                      Stored<std::uint32_t> carried) {
    PayloadArray array;
    array.size_ = n;
    array.present_ = std::move(present);
    array.carried_ = std::move(carried);
    array.rank();
    return array;
}

void PayloadArray::rank() {
    ranks_.resize(present_.size());
    std::uint32_t seen = 0;
    for (std::size_t w = 0; w < present_.size(); ++w) {
        ranks_[w] = seen;
        seen += bits_set(present_[w]);
    }
}

}  // namespace brindlemap
