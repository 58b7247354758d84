// Matcher: the agent that collects the words of a trie within an edit distance of a query.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "prefix/walk_interrupt.h"
#include "prefix/trie/agent.h"

namespace brindlemap {

// One accepted node, in the order the walk accepted it.
struct MatchRecord {
    std::string text;  // UTF-8
    std::uint32_t node;
    std::uint64_t distance;
};

class Matcher final : public Agent {
  public:
    // `interrupt` is charged for the work of the walk and must outlive the Matcher.
    Matcher(std::vector<char32_t> query, std::uint64_t max_dist, std::optional<std::uint64_t> limit,
            WalkInterrupt& interrupt);

    State initial_state() const override;
    void visit_node(std::uint32_t node, std::optional<std::uint32_t> payload,
                    State& state) override;
    void get_children_to_visit(std::uint32_t node, const State& state,
                               std::span<const Child> children,
                               ChildrenToVisit& out) const override;

    // Every accepted record, in order of acceptance, once the walk is over.
    std::vector<MatchRecord> take_results() noexcept { return std::move(results_); }

  private:
    // The rows of one walk, n + 1 entries each, in slots that are reused once no node needs
    // them. A node's row stays while children it scheduled have yet to read it, so what is
    // held is the rows of nodes with children pending, never one per pending node.
    class RowArena {
      public:
        explicit RowArena(std::size_t width) noexcept : width_(width) {}
        // A slot for a new row; its entries are the caller's to fill.
        std::size_t acquire();
        std::uint64_t* row(std::size_t slot) noexcept { return &entries_[slot * width_]; }
        // `readers` children will read the slot's row; none frees it at once.
        void hold(std::size_t slot, std::size_t readers);
        // One reader is done with the slot's row.
        void release(std::size_t slot);

      private:
        std::size_t width_;
        std::vector<std::uint64_t> entries_;
        std::vector<std::size_t> readers_;  // per slot
        std::vector<std::size_t> free_;
    };

    bool limit_reached() const noexcept { return limit_ && results_.size() >= *limit_; }

    std::vector<char32_t> query_;
    std::uint64_t max_dist_;
    std::optional<std::uint64_t> limit_;
    WalkInterrupt* interrupt_;
    std::vector<MatchRecord> results_;
    // The walk's bookkeeping: a const agent still hands back the rows no child will read.
    mutable RowArena rows_;
    // The characters of the path from the root to the node being visited, by depth. The walk
    // is depth first: when a node is visited, the last node visited at each smaller depth is
    // one of its ancestors, and what it left here is still in place. So a child's text is its
    // parent's, shared, plus its own character.
    std::vector<char32_t> path_;
};

}  // namespace brindlemap
