// Trie::dfs: the depth-first walk that leaves every decision to an agent.
#include <cstdint>
#include <source_location>
#include <string>
#include <vector>

#include "prefix/failure.h"
#include "prefix/trie/agent.h"
#include "prefix/trie/state_pool.h"
#include "prefix/trie/trie.h"

namespace brindlemap {
namespace {

// Construction accepts any child links. In a tree each node is scheduled at most once, so more
// schedulings than nodes means a cycle or a shared node, whose walk would never end or would
// grow exponentially. Every scheduled node is visited before the walk ends, so the walk is
// doomed as soon as it schedules one too many: refusing then, rather than at the visit, keeps
// a node listed thousands of times from filling memory with thousands of States per visit.
[[noreturn]] void panic_not_a_tree(std::size_t node_count,
                                   std::source_location where = std::source_location::current()) {
    panic("malformed trie: the child links do not form a tree (a walk would visit more than " +
              std::to_string(node_count) + " nodes, the number the trie holds)",
          where);
}

}  // namespace

void Trie::dfs(Agent& agent) const {
    StatePool pool;
    std::vector<ChildrenToVisit::Entry> stack;
    ChildrenToVisit to_visit(pool);
    std::vector<Child> children;  // refilled for every node
    const std::size_t nodes = arrays_.node_payloads.size();
    // Nodes beyond the payload array are not counted: their visit fails on its own, with the
    // index failure that names them.
    std::uint64_t scheduled = nodes > 0 ? 1 : 0;

    stack.push_back({0, pool.adopt(agent.initial_state())});
    while (!stack.empty()) {
        const ChildrenToVisit::Entry entry = stack.back();
        stack.pop_back();
        const std::optional<std::uint32_t> payload = at_or_panic(arrays_.node_payloads, entry.node);
        State& state = pool[entry.state];
        agent.visit_node(entry.node, payload, state);
        get_children(entry.node, children);
        agent.get_children_to_visit(entry.node, state, children, to_visit);
        // The first child to visit goes on top, so it is popped next.
        const auto next = to_visit.entries();
        for (const ChildrenToVisit::Entry& child : next) scheduled += child.node < nodes;
        if (scheduled > nodes) panic_not_a_tree(nodes);
        for (auto it = next.rbegin(); it != next.rend(); ++it) stack.push_back(*it);
        to_visit.clear();
        pool.release(entry.state);
    }
}

}  // namespace brindlemap
