// What the reader of a packed trie learns of its shape as it reads it, so that a well-formed
// trie needs no second pass to be trusted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindlemap::serial {

// 128 marks at once, in the integer the compiler offers for it.
__extension__ typedef unsigned __int128 Bits128;

// What the reader learns of the shape of a trie of the builder's layout as it widens the arrays,
// each test a flag folded in without a branch: a child numbered after its parent, a character
// on every node but the root, and the characters of each run of siblings increasing (codes
// compare as their characters do, the alphabet being in increasing order). The characters are
// read first: `not_rising` marks each node whose code is at most the one before it, and the runs
// then ask of each run of two or more that none but its first is marked. Only a run's first
// child may be so, and most runs are of one child.
struct Vouched {
    std::vector<std::uint64_t> not_rising;
    unsigned below = 0, absent = 0, out_of_order = 0;

    // Two words to spare past the last node's, so that any_marked reads two words and
    // marks_from three wherever they start.
    explicit Vouched(std::size_t nodes) : not_rising(nodes / 64 + 3) {}
    void mark(std::size_t i, bool marked) noexcept {
        not_rising[i / 64] |= std::uint64_t{marked} << (i % 64);
    }
    // Whether any of the `count` nodes from `first` is marked; all lie within the nodes. Most
    // runs are short: up to 64 nodes are found in the two words they span, with no loop.
    bool any_marked(std::size_t first, std::size_t count) const noexcept {
        if (count <= 64) {
            const std::size_t w = first / 64, k = first % 64;
            const std::uint64_t from = (not_rising[w] >> k) |
                                       (k == 0 ? 0 : not_rising[w + 1] << (64 - k));
            const std::uint64_t within = count == 64 ? ~std::uint64_t{0}
                                                     : (std::uint64_t{1} << count) - 1;
            return (from & within) != 0;
        }
        std::uint64_t found = 0;
        while (count > 0) {
            const std::size_t k = first % 64, take = std::min<std::size_t>(count, 64 - k);
            const std::uint64_t within = take == 64 ? ~std::uint64_t{0}
                                                    : (std::uint64_t{1} << take) - 1;
            found |= (not_rising[first / 64] >> k) & within;
            first += take;
            count -= take;
        }
        return found != 0;
    }
    // The marks of the 128 nodes from `first`, a node of the trie (those past the last node
    // unmarked), the first in the lowest bit.
    Bits128 marks_from(std::size_t first) const noexcept {
        const std::size_t w = first / 64, k = first % 64;
        const auto word = [&](std::size_t i) { return static_cast<Bits128>(not_rising[i]); };
        const Bits128 two = word(w) | word(w + 1) << 64;
        return k == 0 ? two : two >> k | word(w + 2) << (128 - k);
    }
    // Marks the run of `run` children from `first` out of order unless they rise.
    void check_run(std::size_t first, std::size_t run) noexcept {
        out_of_order |= static_cast<unsigned>(run > 1 && any_marked(first + 1, run - 1));
    }
    bool holds() const noexcept { return (below | absent | out_of_order) == 0; }
};

}  // namespace brindlemap::serial
