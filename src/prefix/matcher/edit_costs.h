// Weighted edit costs: what typing a character the word lacks, leaving out one of the word's, typing
// one for another and swapping two neighbours cost, per character and per pair where given, so that
// a slip to the next key or a doubled letter can cost less than an edit out of nowhere.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brindlemap {

// A cost of typing `typed` where the word has `meant`.
struct PairCost {
    char32_t typed;
    char32_t meant;
    std::uint32_t cost;
};

// A cost for one character.
struct CharCost {
    char32_t character;
    std::uint32_t cost;
};

// The costs of one rule, told from the typist's side: an insertion is a character typed that the
// word lacks, a deletion one of the word's characters not typed, a doubled letter two typed
// where the word has one ("tommorow"), an undoubled letter one typed where the word has two
// ("tomorow"). Each edit's cost depends on its characters alone, never on their neighbours, so a
// text and a word spelt backwards are as far apart as spelt forwards: the backward walk of the
// split search measures what the forward one does. Every cost lies in
// 1..kMaxCost (checked by whoever makes one, see valid_cost): the walks rely on no edit being
// free, and kMaxCost keeps a distance over any text far inside 64 bits.
class EditCosts {
  public:
    static constexpr std::uint32_t kMaxCost = std::uint32_t{1} << 20;
    static constexpr bool valid_cost(std::uint64_t cost) noexcept {
        return cost >= 1 && cost <= kMaxCost;
    }

    struct Plain {
        std::uint32_t insert, remove, substitute, transpose;
        // A letter of the word typed twice; a doubled letter of the word typed once. Without
        // them these are an insertion and a deletion.
        std::optional<std::uint32_t> doubled, undoubled;
    };

    // Hands `visit` each plain cost with the name that brindlemap.Costs gives it, a
    // std::uint32_t& or, for those that may be left out, a std::optional<std::uint32_t>&: the
    // one list of them, which the binding reads them by. A new kind of plain cost is a member
    // above, a line here and its use in the row rule.
    template <class Visit>
    static void each_plain(Plain& plain, Visit&& visit) {
        visit("insert", plain.insert);
        visit("delete", plain.remove);
        visit("substitute", plain.substitute);
        visit("transpose", plain.transpose);
        visit("double", plain.doubled);
        visit("undouble", plain.undoubled);
    }

    // Where a pair or a character is given twice, the first one counts.
    EditCosts(Plain plain, std::vector<PairCost> substitutions, std::vector<CharCost> insertions,
              std::vector<CharCost> deletions);

    // Typing `typed`, which the word lacks; leaving out the word's `meant`.
    std::uint32_t insertion(char32_t typed) const noexcept { return insertions_(typed); }
    std::uint32_t deletion(char32_t meant) const noexcept { return deletions_(meant); }
    const std::optional<std::uint32_t>& doubled() const noexcept { return plain_.doubled; }
    const std::optional<std::uint32_t>& undoubled() const noexcept { return plain_.undoubled; }
    // The pairs that give typing `typed` a cost of its own, in order of the meant character.
    std::span<const PairCost> substitutions_of(char32_t typed) const noexcept;
    std::uint32_t substitute() const noexcept { return plain_.substitute; }
    std::uint32_t transpose() const noexcept { return plain_.transpose; }

    // The cheapest edit that changes a text's length (a word's length and the query's differ by
    // at most max_dist over it), the cheapest deletion, the dearest substitution, the cheapest
    // edit and the dearest.
    std::uint32_t least_gap() const noexcept { return least_gap_; }
    std::uint32_t least_deletion() const noexcept { return least_deletion_; }
    std::uint32_t dearest_substitution() const noexcept { return dearest_substitution_; }
    std::uint32_t least() const noexcept { return least_; }
    std::uint32_t dearest() const noexcept { return dearest_; }

  private:
    // A per-character cost: from a table for ASCII, from the sorted list beyond it.
    class PerCharacter {
      public:
        PerCharacter(std::vector<CharCost> given, std::uint32_t otherwise);
        std::uint32_t operator()(char32_t c) const noexcept;
        std::span<const CharCost> given() const noexcept { return given_; }

      private:
        std::array<std::uint32_t, 128> ascii_{};
        std::vector<CharCost> given_;  // sorted by character, one each
        std::uint32_t otherwise_;
    };

    Plain plain_;
    std::vector<PairCost> substitutions_;  // sorted by (typed, meant), one each
    PerCharacter insertions_, deletions_;
    std::uint32_t least_gap_, least_deletion_, dearest_substitution_, least_,
        dearest_;
};

}  // namespace brindlemap
