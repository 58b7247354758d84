// The trie: four flat arrays navigated by index arithmetic, immutable once made.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/node_arrays.h"
#include "prefix/trie/tree_shape.h"
#include "prefix/trie/word_order.h"

namespace brindlemap {

// What a well-formed trie makes of itself on first need for its ranked queries and is worth
// storing with it: the least payload under each node, and each node's rank in word order.
struct RankTables {
    OffsetArray least_payloads;
    OffsetArray ranks;
};

class Agent;

// One child of a node as the child listing gives it.
struct Child {
    char32_t character;
    std::uint32_t node;

    friend bool operator==(const Child&, const Child&) = default;
};

// The positions [first, second) of a node's run of children in child_indices: from its own
// shift to the next node's, or to `links`, the length of child_indices, for the last node.
// Unchecked: `node_id` must index `shifts`.
inline std::pair<std::size_t, std::size_t> run_of(const OffsetArray& shifts,
                                                  std::size_t node_id, std::size_t links) noexcept {
    if (node_id + 1 < shifts.size()) return shifts.pair_at(node_id);
    return {shifts[node_id], links};
}

// The four arrays of a trie as they are handed over or decoded, in declaration order.
struct TrieArrays {
    OffsetArray node_shifts;                    // where each node's run of child_indices begins
    CharArray node_strings;                    // each node's last character; absent for the root
    PayloadArray node_payloads;                // each node's payload, if it carries one
    std::vector<std::uint32_t> child_indices;  // all children, one contiguous run per node

    std::pair<std::size_t, std::size_t> child_run(std::size_t node_id) const noexcept {
        return run_of(node_shifts, node_id, child_indices.size());
    }

    friend bool operator==(const TrieArrays&, const TrieArrays&) = default;
};

class Trie {
  public:
    // The trie of `arrays`, taken as they are: nothing is refused. Their shape is checked here,
    // once, and decides the road of every query (match.h). On the builder's layout, where
    // child_indices is 1, 2, 3, ..., that array is not kept but worked out.
    explicit Trie(TrieArrays arrays);
    // The trie of arrays on the builder's layout, their child_indices left out (empty): it is
    // 1, 2, ..., one entry fewer than nodes, as if it had been given; it is never made.
    struct LevelByLevel {};
    Trie(TrieArrays arrays, LevelByLevel);
    // The same, for a reader that established as it read them that the arrays have `shape`
    // (on the builder's layout, every run of siblings increasing): they are not read again.
    Trie(TrieArrays arrays, LevelByLevel, TreeShape shape);

    const OffsetArray& node_shifts() const noexcept { return arrays_.node_shifts; }
    const CharArray& node_strings() const noexcept { return arrays_.node_strings; }
    const PayloadArray& node_payloads() const noexcept { return arrays_.node_payloads; }
    // The length of child_indices, and its entry p (unchecked: p must be below that length).
    std::size_t child_index_count() const noexcept { return child_index_count_; }
    std::uint32_t child_index(std::size_t p) const noexcept {
        return breadth_first_ ? static_cast<std::uint32_t>(p + 1) : arrays_.child_indices[p];
    }
    // Whether child_indices is 1, 2, ... (TreeShape::breadth_first): entry p is p + 1.
    bool breadth_first() const noexcept { return breadth_first_; }
    // Present only for a well-formed trie.
    const std::optional<TreeShape>& shape() const noexcept { return shape_; }

    // On a well-formed trie: the least payload in each node's subtree, its own included, and
    // 4294967295 where there is none. Made on first use, once whatever the threads, then kept
    // with the trie: 1 to 4 bytes per node.
    const OffsetArray& subtree_least_payloads() const;

    // On a well-formed trie: the code-point order of its nodes (word_order.h). Made on first
    // use, once whatever the threads, then kept with the trie: 1 to 4 bytes per node.
    const WordOrder& word_order() const;

    // On a well-formed trie: the trie of its words spelt backwards (reversed_words.h), or null
    // when its words are too long for that. Made on first use, once whatever the threads, its
    // work charged to the `interrupt` of the thread that makes it; should that interrupt end
    // it, the next call makes it afresh. A thread that waits here must hold nothing that the
    // maker's poll takes (the interpreter lock, say). Its arrays are as compact as this
    // trie's.
    const Trie* reversed(WalkInterrupt& interrupt) const;
    // Takes `made` as the trie that reversed() would make, for a loader that read it with this
    // trie and checked that it fits (reversed_fits); nothing changes once reversed() has run.
    void adopt_reversed(std::unique_ptr<Trie> made);
    // Takes `tables` as the least payloads and ranks that this trie would make, for a loader
    // that read them with it, before any query, and checked that they are as many as its
    // nodes.
    void adopt_tables(RankTables tables);

    // The node's run in child_indices, as run_of gives it.
    std::pair<std::size_t, std::size_t> child_run(std::uint32_t node_id) const noexcept {
        return run_of(arrays_.node_shifts, node_id, child_index_count_);
    }

    // The children of `node_id` in stored order; fails on the first bad read.
    std::vector<Child> get_children(std::uint32_t node_id) const;
    // The same into a buffer the caller reuses, so a walk lists children without allocating.
    void get_children(std::uint32_t node_id, std::vector<Child>& out) const;

    std::optional<std::uint32_t> get_payload(std::uint32_t node_id) const;

    // Depth-first walk from the root in which `agent` decides everything about each node.
    void dfs(Agent& agent) const;

    // The same four arrays, however they are kept.
    friend bool operator==(const Trie& a, const Trie& b) noexcept;

  private:
    // What a well-formed trie works out about itself on first need, once.
    template <class Value>
    struct MadeOnce {
        std::once_flag made;
        Value value;
    };

    TrieArrays arrays_;
    std::optional<TreeShape> shape_;
    std::size_t child_index_count_;
    bool breadth_first_;
    std::unique_ptr<MadeOnce<OffsetArray>> least_payloads_ =
        std::make_unique<MadeOnce<OffsetArray>>();
    std::unique_ptr<MadeOnce<WordOrder>> word_order_ = std::make_unique<MadeOnce<WordOrder>>();
    // Ranks a loader read with the trie, until word_order() takes them (once, as it is made).
    mutable std::optional<OffsetArray> read_ranks_;
    std::unique_ptr<MadeOnce<std::unique_ptr<Trie>>> reversed_ =
        std::make_unique<MadeOnce<std::unique_ptr<Trie>>>();
};

}  // namespace brindlemap
