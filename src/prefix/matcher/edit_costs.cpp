// The tables of a weighted rule and the lookups the walks make in them.
#include "prefix/matcher/edit_costs.h"

#include <algorithm>
#include <tuple>

namespace brindlemap {
namespace {

// Sorted by `key`, the first of each key kept.
template <class T, class Key>
std::vector<T> sorted_unique(std::vector<T> items, Key key) {
    std::ranges::stable_sort(items, {}, key);
    const auto repeats = std::ranges::unique(items, {}, key);
    items.erase(repeats.begin(), repeats.end());
    return items;
}

}  // namespace

EditCosts::PerCharacter::PerCharacter(std::vector<CharCost> given, std::uint32_t otherwise)
    : given_(sorted_unique(std::move(given), &CharCost::character)), otherwise_(otherwise) {
    ascii_.fill(otherwise);
    for (const CharCost& c : given_)
        if (c.character < ascii_.size()) ascii_[c.character] = c.cost;
}

std::uint32_t EditCosts::PerCharacter::operator()(char32_t c) const noexcept {
    if (c < ascii_.size()) return ascii_[c];
    const auto it = std::ranges::lower_bound(given_, c, {}, &CharCost::character);
    return it != given_.end() && it->character == c ? it->cost : otherwise_;
}

EditCosts::EditCosts(Plain plain, std::vector<PairCost> substitutions,
                     std::vector<CharCost> insertions, std::vector<CharCost> deletions)
    : plain_(plain),
      substitutions_(sorted_unique(std::move(substitutions),
                                   [](const PairCost& p) { return std::pair(p.typed, p.meant); })),
      insertions_(std::move(insertions), plain.insert),
      deletions_(std::move(deletions), plain.remove) {
    const auto least_of = [](std::uint32_t plain_cost, std::span<const CharCost> given,
                             std::optional<std::uint32_t> repeated) {
        std::uint32_t least = std::min(plain_cost, repeated.value_or(plain_cost));
        for (const CharCost& c : given) least = std::min(least, c.cost);
        return least;
    };
    // A doubled or undoubled letter moves an entry one column off its diagonal, as an insertion
    // or a deletion does.
    least_deletion_ = least_of(plain.remove, deletions_.given(), std::nullopt);
    least_gap_ = std::min(least_of(plain.insert, insertions_.given(), plain.doubled),
                          least_of(plain.remove, deletions_.given(), plain.undoubled));
    std::uint32_t least_substitution = plain.substitute;
    dearest_substitution_ = plain.substitute;
    dearest_ = std::max({plain.insert, plain.remove, plain.substitute, plain.transpose,
                         plain.doubled.value_or(0), plain.undoubled.value_or(0)});
    for (const PairCost& p : substitutions_) {
        least_substitution = std::min(least_substitution, p.cost);
        dearest_substitution_ = std::max(dearest_substitution_, p.cost);
        dearest_ = std::max(dearest_, p.cost);
    }
    for (const auto* given : {&insertions_, &deletions_})
        for (const CharCost& c : given->given()) dearest_ = std::max(dearest_, c.cost);
    least_ = std::min({least_gap_, least_substitution, plain.transpose});
}

std::span<const PairCost> EditCosts::substitutions_of(char32_t typed) const noexcept {
    const auto [first, last] = std::ranges::equal_range(substitutions_, typed, {},
                                                        &PairCost::typed);
    return {first, last};
}

}  // namespace brindlemap
