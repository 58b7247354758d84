// What a query measures its distances with: a rule whose costs are fixed (Levenshtein, optimal
// string alignment) or costs the caller weighed, and the call that hands a walk the row rule of
// either.
#pragma once

#include <cstdint>
#include <span>

#include "prefix/matcher/edit_costs.h"
#include "prefix/matcher/row_rules.h"
#include "prefix/matcher/weighted_rows.h"

namespace brindlemap {

struct Metric {
    enum class Kind { levenshtein, osa, weighted };

    Kind kind = Kind::levenshtein;
    // The weighted rule's costs, which the caller keeps alive for the query.
    const EditCosts* costs = nullptr;

    static const Metric levenshtein;
    static const Metric osa;
    static constexpr Metric weighted(const EditCosts& costs) noexcept {
        return {Kind::weighted, &costs};
    }
    friend constexpr bool operator==(const Metric&, const Metric&) = default;
};

inline constexpr Metric Metric::levenshtein{Metric::Kind::levenshtein, nullptr};
inline constexpr Metric Metric::osa{Metric::Kind::osa, nullptr};

// f called with the row rule of `metric` for `query`, a value of its type.
template <class F>
decltype(auto) with_rule(const Metric& metric, std::span<const char32_t> query, F&& f) {
    switch (metric.kind) {
        case Metric::Kind::osa:
            return f(OsaRows{});
        case Metric::Kind::weighted:
            return f(WeightedRows(*metric.costs, query));
        case Metric::Kind::levenshtein:
            break;
    }
    return f(LevenshteinRows{});
}

// Whether every edit of `metric` costs 1.
inline bool unit_costs(const Metric& metric) noexcept {
    return metric.kind != Metric::Kind::weighted;
}

// How many columns from the diagonal an entry within max_dist can lie: the most edits that
// change a text's length that max_dist pays for.
inline std::uint64_t reach(const Metric& metric, std::uint64_t max_dist) noexcept {
    return unit_costs(metric) ? max_dist : max_dist / metric.costs->least_gap();
}

// The cheapest edit of `metric`: no distance but 0 lies below it.
inline std::uint64_t least_edit(const Metric& metric) noexcept {
    return unit_costs(metric) ? 1 : metric.costs->least();
}

// What a plain substitution costs under `metric`: the step of distances that the k best search
// first, as "one edit".
inline std::uint64_t plain_edit(const Metric& metric) noexcept {
    return unit_costs(metric) ? 1 : metric.costs->substitute();
}

}  // namespace brindlemap
