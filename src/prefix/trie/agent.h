// Agent: the interface through which Trie::dfs leaves every decision about a node to its
// caller, and the list of children an agent chooses to visit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "prefix/trie/state.h"
#include "prefix/trie/state_pool.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

// The nodes to visit next, in visiting order, each with the State it is to be visited with.
// The walk owns one and reuses it for every node; its States come from the walk's pool.
class ChildrenToVisit {
  public:
    struct Entry {
        std::uint32_t node;
        StateHandle state;
    };

    explicit ChildrenToVisit(StatePool& pool) noexcept : pool_(&pool) {}

    // Appends `node` and returns its State, empty, for the agent to fill.
    State& schedule(std::uint32_t node) {
        StateHandle handle = pool_->acquire();
        entries_.push_back(Entry{node, handle});
        return (*pool_)[handle];
    }

    std::span<const Entry> entries() const noexcept { return entries_; }
    // Forgets the entries without releasing their States, which the walk has taken over.
    void clear() noexcept { entries_.clear(); }

  private:
    StatePool* pool_;
    std::vector<Entry> entries_;
};

class Agent {
  public:
    virtual ~Agent() = default;

    // The State the root is visited with.
    virtual State initial_state() const = 0;

    // Called once per visit, before the node's children are listed; may record results in the
    // agent and add values to `state`.
    virtual void visit_node(std::uint32_t node, std::optional<std::uint32_t> payload,
                            State& state) = 0;

    // Appends to `out`, in visiting order, the children to enter, each with a filled State.
    // `state` is as visit_node left it; `children` are the node's children in stored order.
    // A child left out is not visited, nor anything below it.
    virtual void get_children_to_visit(std::uint32_t node, const State& state,
                                       std::span<const Child> children,
                                       ChildrenToVisit& out) const = 0;
};

}  // namespace brindlemap
