// The nodes of a well-formed trie as the walks read them: numbered breadth first, so that a
// node's children are consecutive ids found from its shift alone, and each node's character in
// a one-byte code drawn from the trie's own alphabet, so that a run of 64 siblings reads one
// cache line, with a side table for the rare characters beyond the alphabet. On the builder's
// numbering the shifts and payloads are the trie's own arrays, and only the codes are added.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "prefix/trie/node_arrays.h"

namespace brindlemap {

class Trie;

class NodeLayout {
  public:
    // The character of the root, which carries none: no query character equals it.
    static constexpr char32_t kNoCharacter = 0x1FFFFF;

    // The layout of `trie`, which must have passed its shape check; it reads the trie's arrays,
    // which must outlive it (a move of the trie keeps them where they are). Siblings keep their
    // stored order; on the builder's numbering every node keeps its id.
    explicit NodeLayout(const Trie& trie);

    std::size_t size() const noexcept { return nodes_; }
    std::uint32_t max_depth() const noexcept { return max_depth_; }
    // Whether every run of siblings is in increasing code-point order.
    bool sorted_runs() const noexcept { return sorted_runs_; }

    // The ids [first, end) of the node's children: child p of the runs is node p + 1. Unchecked,
    // as everything here.
    std::pair<std::uint32_t, std::uint32_t> children(std::uint32_t node) const noexcept {
        const std::uint32_t end = node + 1 < nodes_ ? shifts_[node + 1] : links_;
        return {shifts_[node] + 1, end + 1};
    }
    char32_t character(std::uint32_t node) const noexcept {
        const std::uint8_t code = codes_[node];
        if (code != kRare) [[likely]]
            return alphabet_[code];
        return rare_character(node);
    }
    // The child of the run [first, end) that carries `c`, or `end` when none does.
    std::uint32_t find_child(std::uint32_t first, std::uint32_t end, char32_t c) const noexcept;

    bool is_word(std::uint32_t node) const noexcept {
        return (presence_[node / 64] >> (node % 64)) & 1u;
    }
    // The payload of a node where a word ends.
    std::uint32_t payload(std::uint32_t node) const noexcept { return payloads_[node]; }
    // Starts fetching what listing the node's children will read: a walk calls it for each
    // node it schedules, so that the misses of the nodes scheduled overlap.
    void prefetch_children(std::uint32_t node) const noexcept {
        // At most one past the last code, for a leaf numbered last.
        __builtin_prefetch(codes_.data() + (shifts_[node] + 1));
    }
    // The node's id in the trie's arrays.
    std::uint32_t trie_node(std::uint32_t node) const noexcept {
        return trie_ids_.empty() ? node : trie_ids_[node];
    }

  private:
    // The code of a character outside the alphabet: the rare table holds it.
    static constexpr std::uint8_t kRare = 0;

    char32_t rare_character(std::uint32_t node) const noexcept;
    // The code of `c`, kRare when the alphabet lacks it.
    std::uint8_t code_of(char32_t c) const noexcept;

    std::uint32_t nodes_;
    std::uint32_t max_depth_;
    bool sorted_runs_;
    const std::uint32_t* shifts_;  // the trie's node_shifts, or own_shifts_
    std::uint32_t links_;          // the children of all nodes
    std::vector<std::uint8_t> codes_;
    // By code, in code-point order; kRare's entry unused.
    std::array<char32_t, 256> alphabet_{};
    std::size_t alphabet_size_ = 0;
    // The codes of the characters below kTabled, the others found in the alphabet.
    static constexpr char32_t kTabled = 0x800;
    std::array<std::uint8_t, kTabled> tabled_codes_{};
    // Whether no node but the root carries a rare character: codes then compare as their
    // characters do, and a run of siblings is searched by its codes alone.
    bool coded_order_ = false;
    std::vector<char32_t> rare_;            // the rare characters in node order, the root's first
    std::vector<std::uint32_t> rare_before_;  // how many come before each block of 64 nodes
    // The trie's payloads, or own_payloads_: the values and their presence bits.
    const std::uint32_t* payloads_;
    const std::uint64_t* presence_;
    // Where the trie's ids are not breadth first: the layout's own numbering of the arrays.
    std::vector<std::uint32_t> own_shifts_;
    PayloadArray own_payloads_;
    std::vector<std::uint32_t> trie_ids_;  // by node
};

}  // namespace brindlemap
