// The distances the specialised walk computes, each a rule for one row of the table from the
// rows above it: Levenshtein (insert, delete, substitute) and optimal string alignment, which
// also swaps two adjacent characters at cost 1.
#pragma once

namespace brindlemap {

enum class Metric { levenshtein, osa };

struct LevenshteinRows {
    static constexpr bool kTranspositions = false;
};

struct OsaRows {
    static constexpr bool kTranspositions = true;
};

}  // namespace brindlemap
