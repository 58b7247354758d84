// libFuzzer target: match queries and child listings over decoded tries, well formed or not,
// either answer consistently or end in an index, presence or malformed-trie failure.
//
// Input: the header of walk_inputs.h, whose flag byte here chooses the nodes to list, then a
// serialized trie.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "failure_forms.h"
#include "prefix/failure.h"
#include "prefix/matcher/matcher.h"
#include "prefix/utf8.h"
#include "serial/decode.h"
#include "walk_inputs.h"

using namespace brindlemap;
using fuzz::kHeader;
using fuzz::Query;

namespace {

// Forwards to the Matcher and counts what the walk asks of it.
class CountingAgent final : public Agent {
  public:
    explicit CountingAgent(Matcher& matcher) : matcher_(matcher) {}

    State initial_state() const override { return matcher_.initial_state(); }
    void visit_node(std::uint32_t node, std::optional<std::uint32_t> payload,
                    State& state) override {
        ++visits;
        matcher_.visit_node(node, payload, state);
    }
    void get_children_to_visit(std::uint32_t node, const State& state,
                               std::span<const Child> children,
                               ChildrenToVisit& out) const override {
        const std::size_t before = out.entries().size();
        matcher_.get_children_to_visit(node, state, children, out);
        scheduled += out.entries().size() - before;
    }

    std::uint64_t visits = 0;
    mutable std::uint64_t scheduled = 0;

  private:
    Matcher& matcher_;
};

void check_walk_failure(const InternalFailure& failure, const CountingAgent& agent,
                        std::size_t nodes) {
    if (!fuzz::is_walk_failure(failure.message()))
        fuzz::finding("undocumented walk failure", failure.message());
    if (agent.visits > nodes) fuzz::finding("a failed walk visited more nodes than the trie holds");
}

// What a finished walk collected must hold whatever the trie's shape.
void check_records(const Trie& trie, const Query& query, std::optional<std::uint64_t> limit,
                   const std::vector<MatchRecord>& records) {
    if (limit && records.size() > *limit) fuzz::finding("more records than the limit");
    for (const MatchRecord& record : records) {
        if (record.text.empty()) fuzz::finding("the root's empty text was accepted");
        if (record.distance > query.max_dist) fuzz::finding("a record beyond max_dist");
        if (fuzz::levenshtein(query.characters, utf8::decode_all(record.text)) != record.distance)
            fuzz::finding("a record's distance is not the edit distance of its text", record.text);
        try {
            if (!trie.get_payload(record.node)) fuzz::finding("a record without a payload");
        } catch (const InternalFailure& failure) {
            fuzz::finding("a record's node has no payload entry", failure.message());
        }
    }
}

// The records of a walk that ended normally; nothing when it ended in a failure.
std::optional<std::vector<MatchRecord>> walk(const Trie& trie, const Query& query,
                                             std::optional<std::uint64_t> limit) {
    WalkInterrupt interrupt;
    Matcher matcher(query.characters, query.max_dist, limit, interrupt);
    CountingAgent agent(matcher);
    try {
        trie.dfs(agent);
    } catch (const InternalFailure& failure) {
        check_walk_failure(failure, agent, trie.node_payloads().size());
        return std::nullopt;
    }
    // Every scheduled node is visited once the walk has ended normally, and a tree has no more
    // nodes to schedule than the trie holds.
    if (agent.visits != agent.scheduled + 1) fuzz::finding("a scheduled node was not visited");
    if (agent.visits > trie.node_payloads().size())
        fuzz::finding("a walk visited more nodes than the trie holds");
    std::vector<MatchRecord> records = matcher.take_results();
    check_records(trie, query, limit, records);
    return records;
}

bool same_records(std::span<const MatchRecord> a, std::span<const MatchRecord> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.text == y.text && x.node == y.node && x.distance == y.distance;
    });
}

// A limit only cuts the unlimited walk short: its records are the first ones of that walk, and
// it cannot fail where that walk did not.
void run_query(const Trie& trie, const Query& query) {
    const std::optional<std::vector<MatchRecord>> all = walk(trie, query, std::nullopt);
    if (!query.limit) return;
    const std::optional<std::vector<MatchRecord>> first = walk(trie, query, query.limit);
    if (!all) return;
    if (!first) fuzz::finding("a limited walk failed where the unlimited one did not");
    const std::size_t kept = std::min<std::size_t>(all->size(), *query.limit);
    if (!same_records(*first, std::span(*all).first(kept)))
        fuzz::finding("a limited walk's records are not the first of the unlimited walk's");
}

void list_node(const Trie& trie, std::uint32_t node) {
    try {
        trie.get_children(node);
    } catch (const InternalFailure& failure) {
        if (!fuzz::is_walk_failure(failure.message()))
            fuzz::finding("undocumented child-listing failure", failure.message());
    }
    const std::size_t payloads = trie.node_payloads().size();
    try {
        trie.get_payload(node);
        if (node >= payloads) fuzz::finding("a payload read beyond the payload array");
    } catch (const InternalFailure& failure) {
        const std::string expected = "index out of bounds: the len is " + std::to_string(payloads) +
                                     " but the index is " + std::to_string(node);
        if (node < payloads || failure.message() != expected)
            fuzz::finding("unexpected payload failure", failure.message());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [header, rest] = fuzz::split_input(data, size);
    std::optional<Trie> decoded;
    try {
        decoded = serial::decode_trie(rest);
    } catch (const InternalFailure&) {
        return 0;  // the decoder's own target checks its failures
    }

    const Trie& trie = *decoded;
    try {
        for (std::size_t q = 0; q < fuzz::kQueries; ++q)
            run_query(trie, fuzz::query_from(header, q, trie));
        // The first nodes, the first identifier past each array, and a far one.
        const std::uint32_t first_nodes = header[15] & 31u;
        for (std::uint32_t node = 0; node < first_nodes; ++node) list_node(trie, node);
        for (std::size_t edge : {trie.node_shifts().size(), trie.node_strings().size(),
                                 trie.node_payloads().size(), trie.child_index_count()})
            list_node(trie, static_cast<std::uint32_t>(edge));
        list_node(trie, 0x01010101u * header[15]);
    } catch (const std::exception& error) {
        fuzz::finding("something other than an internal failure was thrown", error.what());
    }
    return 0;
}
