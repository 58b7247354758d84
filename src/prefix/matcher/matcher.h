// Matcher: the agent that collects the words of a trie within an edit distance of a query.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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
    Matcher(std::vector<char32_t> query, std::uint64_t max_dist,
            std::optional<std::uint64_t> limit);

    State initial_state() const override;
    void visit_node(std::uint32_t node, std::optional<std::uint32_t> payload,
                    State& state) override;
    void get_children_to_visit(std::uint32_t node, const State& state,
                               std::span<const Child> children,
                               ChildrenToVisit& out) const override;

    // Every accepted record, in order of acceptance, once the walk is over.
    std::vector<MatchRecord> take_results() noexcept { return std::move(results_); }

  private:
    bool limit_reached() const noexcept { return limit_ && results_.size() >= *limit_; }

    std::vector<char32_t> query_;
    std::uint64_t max_dist_;
    std::optional<std::uint64_t> limit_;
    std::vector<MatchRecord> results_;
};

}  // namespace brindlemap
