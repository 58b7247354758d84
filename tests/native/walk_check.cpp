// A test-only native library through which the tests run both roads of a match query, the
// general walk and the specialised one, on one trie, and read the outcome of its shape check.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/matcher.h"
#include "prefix/trie/trie.h"
#include "prefix/utf8.h"

#define WALK_CHECK_EXPORT extern "C" [[gnu::visibility("default")]]

namespace {

using namespace brindlemap;

enum Road : int {
    general_fuzzy = 0,
    fast_fuzzy = 1,
    general_exact = 2,
    fast_exact = 3,
    fast_fuzzy_wide = 4,
};

std::vector<MatchRecord> general_records(const Trie& trie, std::span<const char32_t> query,
                                         std::uint64_t max_dist,
                                         std::optional<std::uint64_t> limit) {
    WalkInterrupt interrupt;
    Matcher matcher(std::vector<char32_t>(query.begin(), query.end()), max_dist, limit, interrupt);
    trie.dfs(matcher);
    return matcher.take_results();
}

std::vector<MatchRecord> records_of(const Trie& trie, int road, std::span<const char32_t> query,
                                    std::uint64_t max_dist, std::optional<std::uint64_t> limit) {
    WalkInterrupt interrupt;
    switch (road) {
        case general_fuzzy:
            return general_records(trie, query, max_dist, limit);
        case fast_fuzzy:
            return fast_fuzzy_walk(trie, query, max_dist, Metric::levenshtein, limit, interrupt);
        case fast_fuzzy_wide:
            return fast_fuzzy_walk(trie, query, max_dist, Metric::levenshtein, limit, interrupt,
                                   true);
        case general_exact: {
            std::vector<MatchRecord> all = general_records(trie, query, 0, std::nullopt);
            if (all.size() > 1) all.resize(1);
            return all;
        }
        default:
            if (std::optional<std::uint32_t> node = fast_exact_node(trie, query))
                return {MatchRecord{utf8::encode_all(query), *node, 0}};
            return {};
    }
}

}  // namespace

// A trie from the four arrays: 0xFFFFFFFF for an absent character, -1 for an absent payload.
WALK_CHECK_EXPORT void* walk_check_trie(const std::uint32_t* shifts, std::size_t shift_count,
                                        const std::uint32_t* characters,
                                        std::size_t character_count,
                                        const std::int64_t* payloads, std::size_t payload_count,
                                        const std::uint32_t* children, std::size_t child_count) {
    TrieArrays arrays;
    arrays.node_shifts = OffsetArray(std::vector<std::uint32_t>(shifts, shifts + shift_count));
    for (std::size_t i = 0; i < character_count; ++i)
        arrays.node_strings.push_back(characters[i] == CharArray::kAbsent
                                         ? std::nullopt
                                         : std::optional<char32_t>(characters[i]));
    for (std::size_t i = 0; i < payload_count; ++i)
        arrays.node_payloads.push_back(payloads[i] < 0 ? std::nullopt
                                                      : std::optional<std::uint32_t>(
                                                            static_cast<std::uint32_t>(payloads[i])));
    arrays.child_indices.assign(children, children + child_count);
    return new Trie(std::move(arrays));
}

WALK_CHECK_EXPORT void walk_check_free(void* trie) { delete static_cast<Trie*>(trie); }

// The depth of the deepest node when the shape check passed, -1 when it did not.
WALK_CHECK_EXPORT std::int64_t walk_check_shape(const void* trie) {
    const Trie& t = *static_cast<const Trie*>(trie);
    return t.shape() ? std::int64_t{t.shape()->max_depth} : -1;
}

// 1 when the shape check found the children numbered in child_indices order, 0 otherwise.
WALK_CHECK_EXPORT int walk_check_breadth_first(const void* trie) {
    const Trie& t = *static_cast<const Trie*>(trie);
    return t.shape() && t.shape()->breadth_first ? 1 : 0;
}

// Writes the records of one road as lines "text<TAB>node<TAB>distance" into `out` and returns
// the bytes they need; nothing is written when they need more than `capacity`. A limit of -1
// is none.
WALK_CHECK_EXPORT std::size_t walk_check_records(const void* trie, int road,
                                                 const std::uint32_t* query,
                                                 std::size_t query_length, std::uint64_t max_dist,
                                                 std::int64_t limit, char* out,
                                                 std::size_t capacity) {
    std::vector<char32_t> characters(query, query + query_length);
    std::optional<std::uint64_t> bound;
    if (limit >= 0) bound = static_cast<std::uint64_t>(limit);
    std::string text;
    for (const MatchRecord& record :
         records_of(*static_cast<const Trie*>(trie), road, characters, max_dist, bound))
        text += record.text + '\t' + std::to_string(record.node) + '\t' +
                std::to_string(record.distance) + '\n';
    if (text.size() <= capacity) std::memcpy(out, text.data(), text.size());
    return text.size();
}
