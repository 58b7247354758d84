// Making the per-node arrays compact: values as offsets from a base per block, characters as
// one-byte codes, and the values of the nodes that carry a payload with their ranks.
#include "prefix/trie/node_arrays.h"

#include <algorithm>

namespace brindlemap {

OffsetArray::OffsetArray(std::span<const std::uint32_t> bases, std::vector<std::uint16_t> offsets)
    : offsets_(std::move(offsets)), compact_(true) {
    blocks_.reserve(bases.size());
    for (const std::uint32_t base : bases) blocks_.push_back(Block{base, kNotApart});
}

void OffsetArray::compact() {
    if (compact_) return;
    const std::size_t n = wide_.size();
    const auto block_of = [&](std::size_t b) {
        return std::span(wide_).subspan(b * kBlock, std::min(kBlock, n - b * kBlock));
    };
    const auto spans_more = [](std::span<const std::uint32_t> values) {
        const auto [least, most] = std::ranges::minmax(values);
        return most - least > 0xFFFF;
    };
    const std::size_t blocks = (n + kBlock - 1) / kBlock;
    // A block kept apart costs its offsets too: where half the blocks would be, the values
    // stay whole (the least payloads of a trie whose payloads do not follow its words).
    std::size_t apart = 0;
    for (std::size_t b = 0; b < blocks; ++b) apart += spans_more(block_of(b));
    if (2 * apart > blocks) return;
    blocks_.resize(blocks);
    offsets_.assign(n, 0);
    apart_.reserve(apart * kBlock);
    for (std::size_t b = 0; b < blocks; ++b) {
        const auto values = block_of(b);
        const auto [least, most] = std::ranges::minmax(values);
        if (most - least > 0xFFFF) {
            blocks_[b] = Block{least, static_cast<std::uint32_t>(apart_.size())};
            apart_.insert(apart_.end(), values.begin(), values.end());
            continue;
        }
        blocks_[b] = Block{least, kNotApart};
        for (std::size_t k = 0; k < values.size(); ++k)
            offsets_[b * kBlock + k] = static_cast<std::uint16_t>(values[k] - least);
    }
    std::vector<std::uint32_t>().swap(wide_);
    compact_ = true;
}

bool operator==(const OffsetArray& a, const OffsetArray& b) noexcept {
    if (a.size() != b.size()) return false;
    if (!a.compact_ && !b.compact_) return a.wide_ == b.wide_;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

CharArray::CharArray(std::vector<std::uint8_t> codes, std::span<const char32_t> alphabet) noexcept
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

PayloadArray PayloadArray::of_carried(std::size_t n, std::vector<std::uint64_t> present,
                                      std::vector<std::uint32_t> carried) {
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
