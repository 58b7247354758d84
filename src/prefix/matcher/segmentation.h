// The likeliest split of a text written without spaces into words of a trie, by the words'
// counts and the counts of pairs of words: a dynamic programme over the words that stretches
// of the text spell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// Unsigned integers of 1, 2, 4 or 8 bytes each, read in place from memory someone else holds.
class NumberView {
  public:
    NumberView() noexcept = default;
    NumberView(const void* data, std::size_t itemsize, std::size_t size) noexcept
        : data_(static_cast<const unsigned char*>(data)), itemsize_(itemsize), size_(size) {}
    std::size_t size() const noexcept { return size_; }
    // Unchecked: `i` must be below size().
    std::uint64_t operator[](std::size_t i) const noexcept {
        const unsigned char* at = data_ + i * itemsize_;
        switch (itemsize_) {
            case 1: return *at;
            case 2: return read<std::uint16_t>(at);
            case 4: return read<std::uint32_t>(at);
            default: return read<std::uint64_t>(at);
        }
    }

    // Calls `visit` with each item in turn, the width settled once for them all.
    template <class Visit>
    void each(Visit&& visit) const {
        switch (itemsize_) {
            case 1: return each_as<std::uint8_t>(visit);
            case 2: return each_as<std::uint16_t>(visit);
            case 4: return each_as<std::uint32_t>(visit);
            default: return each_as<std::uint64_t>(visit);
        }
    }

  private:
    template <class T, class Visit>
    void each_as(Visit& visit) const {
        for (std::size_t i = 0; i < size_; ++i) visit(read<T>(data_ + i * sizeof(T)));
    }
    template <class T>
    static std::uint64_t read(const unsigned char* at) noexcept {
        T value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    const unsigned char* data_ = nullptr;
    std::size_t itemsize_ = 1;
    std::size_t size_ = 0;
};

// What a split is scored by. A word (payload r) counts totals[r] of `total`; the pair of keys
// (a, b) counts pair_counts[i] where pairs[i] == a * totals.size() + b, pairs ascending (an
// order broken only misleads the search for a pair). A word's score is ln(count / total); a
// pair adds ln(1 + count * total / (smoothing * scale * count(a) * count(b))), scale being
// `mass` (the pair counts' total) over `total`; a stretch that spells no word scores
// `unknown_first` for its first letter and `unknown_per_letter` less for each letter. The keys
// whose bits are set in `demoted` (key r's the bit r % 8 of its byte r / 8) count
// `demoted_count` as pieces, whatever their totals (which their pairs still weigh by).
struct SegmentModel {
    NumberView totals;
    NumberView pairs;
    NumberView pair_counts;
    std::uint64_t total = 1;
    std::uint64_t mass = 1;
    double smoothing = 1.0;
    double unknown_first = 0.0;
    double unknown_per_letter = 0.0;
    double per_edit = 0.0;  // what each edit between a stretch and its word costs
    std::span<const unsigned char> demoted;
    std::uint64_t demoted_count = 1;
};

// A piece of a split: where it starts, the word it stands for (its payload; -1 for a stretch
// that spells no word) and how many edits it lies from that word.
struct SegmentPiece {
    std::uint32_t start;
    std::int64_t word;
    std::uint32_t edits;
};

// The pieces of the best split of `text`, in order (the first starting at 0), words found
// among the stretches of at most `longest` characters within `max_edits` edits of them
// (near_words), each edit costing model.per_edit. A piece may start or end only at the text's
// ends and at positions p with allowed[p] nonzero (a p past `allowed`'s end is allowed).
// Words whose payloads are not below model.totals.size() are passed over. `others` holds the
// stretches that spell words of another list (the words a caller lays over the trie's), as
// (start, end, count) triples one after another: the i-th is a word of its own, numbered
// model.totals.size() + i, in no pair (a triple that does not fit the text is passed over).
// Among splits that score alike the first found wins. Work is charged to `interrupt`: the
// walks of near_words and, for each word found, a step for each best split ending where it
// starts.
std::vector<SegmentPiece> segment_pieces(const Trie& trie, std::span<const char32_t> text,
                                         std::span<const unsigned char> allowed,
                                         const SegmentModel& model, NumberView others,
                                         std::size_t longest, std::uint32_t max_edits,
                                         WalkInterrupt& interrupt);

}  // namespace brindlemap
