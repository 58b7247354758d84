// The dynamic programme of segment_pieces: for each position and each word that may end
// there, the best split up to it.
#include "prefix/matcher/segmentation.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "prefix/matcher/spelt_words.h"

namespace brindlemap {
namespace {

constexpr std::int64_t kStart = -2;
constexpr std::int64_t kUnknown = -1;

// The best split of the text up to a position whose last piece is `last` (a payload, kUnknown
// or kStart): its score, where that piece starts, and the last piece before it.
struct State {
    std::int64_t last;
    double score;
    std::uint32_t start;
    std::int64_t before;
    std::uint32_t edits = 0;  // of the last piece
};

class Scores {
  public:
    // `others` as segment_pieces takes it: the words numbered past the trie's.
    Scores(const SegmentModel& model, NumberView others) noexcept
        : model_(model),
          others_(others),
          log_total_(std::log(static_cast<double>(model.total))),
          scale_(static_cast<double>(model.mass) / static_cast<double>(model.total)) {}

    // A word standing `edits` edits from its stretch: its share of the counts, less the edits.
    // Unchecked: `number` is a key, or a word of `others` after them.
    double word(std::uint64_t number, std::uint32_t edits) const noexcept {
        const std::uint64_t keys = model_.totals.size();
        const std::uint64_t count = number >= keys   ? others_[3 * (number - keys) + 2]
                                    : demoted(number) ? model_.demoted_count
                                                      : model_.totals[number];
        return std::log(static_cast<double>(std::max<std::uint64_t>(count, 1))) - log_total_ -
               model_.per_edit * static_cast<double>(edits);
    }

    double pair(std::uint64_t first, std::uint64_t second) const noexcept {
        const std::uint64_t keys = model_.totals.size();
        if (first >= keys || second >= keys) return 0.0;  // a word of another list
        const std::uint64_t code = first * keys + second;
        const NumberView& pairs = model_.pairs;
        std::size_t low = 0, high = std::min(pairs.size(), model_.pair_counts.size());
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (pairs[middle] < code) low = middle + 1;
            else high = middle;
        }
        if (low >= pairs.size() || low >= model_.pair_counts.size() || pairs[low] != code)
            return 0.0;
        const double count = static_cast<double>(model_.pair_counts[low]);
        if (count == 0.0) return 0.0;
        const double expected =
            model_.smoothing * scale_ *
            static_cast<double>(std::max<std::uint64_t>(model_.totals[first], 1)) *
            static_cast<double>(std::max<std::uint64_t>(model_.totals[second], 1));
        return std::log1p(count * static_cast<double>(model_.total) / expected);
    }

  private:
    bool demoted(std::uint64_t number) const noexcept {
        const std::uint64_t byte = number / 8;
        return byte < model_.demoted.size() && (model_.demoted[byte] >> (number % 8) & 1u) != 0;
    }

    const SegmentModel& model_;
    NumberView others_;
    double log_total_;
    double scale_;
};

// A stretch is within an edit or two of dozens of words ("cat": bat, car, cast...): of those it
// does not spell, only the kNearPerStretch likeliest by their counts are kept, since a word far
// behind them would need its neighbours' whole support to win, and each kept word costs a step
// for each split ending where it starts.
constexpr std::size_t kNearPerStretch = 4;

// The words of one start, found[first:], all of them found: those it keeps, by end.
void keep_likeliest(std::vector<SpeltWord>& found, std::size_t first, const Scores& scores,
                    const SegmentModel& model) {
    const auto alone = [&](const SpeltWord& word) {
        return word.payload < model.totals.size() ? scores.word(word.payload, word.edits)
                                                  : -HUGE_VAL;
    };
    const auto from = found.begin() + std::ptrdiff_t(first);
    std::stable_sort(from, found.end(), [&](const SpeltWord& a, const SpeltWord& b) {
        if (a.end != b.end) return a.end < b.end;
        return (a.edits == 0) > (b.edits == 0) || ((a.edits == 0) == (b.edits == 0) &&
                                                   alone(a) > alone(b));
    });
    std::size_t kept = first, near = 0;
    for (std::size_t i = first; i < found.size(); ++i) {
        if (i == first || found[i].end != found[i - 1].end) near = 0;
        if (found[i].edits > 0 && near++ >= kNearPerStretch) continue;
        found[kept++] = found[i];
    }
    found.resize(kept);
}

}  // namespace

std::vector<SegmentPiece> segment_pieces(const Trie& trie, std::span<const char32_t> text,
                                         std::span<const unsigned char> allowed,
                                         const SegmentModel& model, NumberView others,
                                         std::size_t longest, std::uint32_t max_edits,
                                         WalkInterrupt& interrupt) {
    const std::size_t size = text.size();
    // The text's two ends are always places to cut.
    const auto may_cut = [&](std::size_t at) {
        return at == 0 || at == size || allowed.size() <= at || allowed[at] != 0;
    };
    // The words found, by where they end (and, for one end, by where they start).
    const Scores scores(model, others);
    std::vector<SpeltWord> words = near_words(
        trie, text, longest, max_edits, interrupt,
        [&](std::vector<SpeltWord>& found, std::size_t first) {
            keep_likeliest(found, first, scores, model);
        });
    // The words of the other list, numbered after the trie's (whose words numbered past its
    // totals are passed over).
    const std::uint64_t keys = model.totals.size();
    std::erase_if(words, [&](const SpeltWord& word) { return word.payload >= keys; });
    const std::uint64_t other_words =
        std::min<std::uint64_t>(others.size() / 3, std::uint64_t{UINT32_MAX} - keys);
    for (std::uint64_t i = 0; keys <= UINT32_MAX && i < other_words; ++i) {
        const std::uint64_t start = others[3 * i], end = others[3 * i + 1];
        if (start < end && end <= size && end - start <= longest)
            words.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end),
                             static_cast<std::uint32_t>(keys + i), 0});
    }
    interrupt.charge(other_words);
    // By end, and for one end by word, so that the state a word leaves is found in one step:
    // it is the last one made, if any (the first found of a word keeps its place on ties).
    std::stable_sort(words.begin(), words.end(), [](const SpeltWord& a, const SpeltWord& b) {
        return a.end != b.end ? a.end < b.end : a.payload < b.payload;
    });
    std::vector<State> states{{kStart, 0.0, 0, kStart}};
    // states[first[p] .. first[p + 1]) are those of position p (none where no cut may fall).
    std::vector<std::size_t> first(size + 2, 0);
    first[1] = 1;
    std::size_t previous = 0;
    std::size_t next_word = 0;
    const auto at_position = [&](std::size_t p) {
        return std::span<const State>(states.data() + first[p], first[p + 1] - first[p]);
    };
    for (std::size_t end = 1; end <= size; ++end) {
        const std::size_t here = states.size();
        first[end] = here;
        if (!may_cut(end)) {
            while (next_word < words.size() && words[next_word].end == end) ++next_word;
            first[end + 1] = here;
            continue;
        }
        // A stretch that spells no word: a piece of its own, or the end of the one before.
        std::optional<State> unknown;
        for (const State& state : at_position(previous)) {
            const State candidate =
                state.last == kUnknown
                    ? State{kUnknown,
                            state.score - model.unknown_per_letter * double(end - previous),
                            state.start, state.before}
                    : State{kUnknown,
                            state.score + model.unknown_first -
                                model.unknown_per_letter * double(end - previous - 1),
                            static_cast<std::uint32_t>(previous), state.last};
            if (!unknown || candidate.score > unknown->score) unknown = candidate;
        }
        if (unknown) states.push_back(*unknown);
        for (; next_word < words.size() && words[next_word].end == end; ++next_word) {
            const SpeltWord& word = words[next_word];
            if (!may_cut(word.start) || word.payload >= keys + other_words) continue;
            const double score_alone = scores.word(word.payload, word.edits);
            // By index, not by a view: the states of this position grow below, and may move.
            const std::size_t low = first[word.start], high = first[word.start + 1];
            interrupt.charge(high - low + 1);
            for (std::size_t i = low; i < high; ++i) {
                const State state = states[i];
                double score = state.score + score_alone;
                if (state.last >= 0) score += scores.pair(std::uint64_t(state.last), word.payload);
                const State made{word.payload, score, word.start, state.last, word.edits};
                if (states.size() == here || states.back().last != word.payload)
                    states.push_back(made);
                else if (score > states.back().score)
                    states.back() = made;
            }
        }
        first[end + 1] = states.size();
        previous = end;
    }
    // The best state at the end, then back through the piece before each.
    std::vector<SegmentPiece> pieces;
    if (size == 0) return pieces;
    const std::span<const State> last_states = at_position(size);
    const State* best = &last_states.front();
    for (const State& state : last_states)
        if (state.score > best->score) best = &state;
    std::size_t end = size;
    std::int64_t last = best->last;
    while (end > 0) {
        const std::span<const State> candidates = at_position(end);
        const auto state = std::find_if(candidates.begin(), candidates.end(),
                                        [&](const State& s) { return s.last == last; });
        if (state == candidates.end()) break;  // each state's `before` is kept where it starts
        pieces.push_back({state->start, state->last, state->edits});
        end = state->start;
        last = state->before;
    }
    std::reverse(pieces.begin(), pieces.end());
    return pieces;
}

}  // namespace brindlemap
