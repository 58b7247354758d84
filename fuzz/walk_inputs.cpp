// Queries from the fuzz header, the reference distance and the word-list builder.
#include "walk_inputs.h"

#include <algorithm>
#include <map>

#include "prefix/utf8.h"

namespace brindlemap::fuzz {

std::uint64_t osa(std::span<const char32_t> a, std::span<const char32_t> b) {
    std::vector<std::vector<std::uint64_t>> d(a.size() + 1,
                                              std::vector<std::uint64_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min(
                {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

EditCosts costs_from(std::span<const std::uint8_t, kHeader> header) {
    const auto cost = [&](std::size_t b, unsigned shift) {
        return static_cast<std::uint32_t>(1 + ((header[b] >> shift) & 3u));
    };
    const auto optional_cost = [&](std::size_t b) -> std::optional<std::uint32_t> {
        if (header[b] & 0x80u) return std::nullopt;
        return cost(b, 5);
    };
    const EditCosts::Plain plain{cost(1, 0), cost(2, 0), cost(3, 0), cost(4, 0),
                                 optional_cost(6), optional_cost(7)};
    std::vector<PairCost> pairs;
    for (std::size_t k = 1; k <= 4; ++k) {
        const char32_t a = header[k], b = header[5 + k];
        if (a == b) continue;
        pairs.push_back({a, b, cost(10 + k, 0)});
        pairs.push_back({b, a, cost(10 + k, 0)});
    }
    const char32_t first = header[1];
    return EditCosts(plain, std::move(pairs), {{first, cost(11, 2)}}, {{first, cost(11, 4)}});
}

std::uint64_t weighted(std::span<const char32_t> typed, std::span<const char32_t> word,
                       const EditCosts& costs) {
    const std::size_t n = typed.size(), m = word.size();
    std::vector<std::vector<std::uint64_t>> d(m + 1, std::vector<std::uint64_t>(n + 1));
    for (std::size_t j = 1; j <= n; ++j) d[0][j] = d[0][j - 1] + costs.insertion(typed[j - 1]);
    for (std::size_t i = 1; i <= m; ++i) {
        const char32_t meant = word[i - 1];
        d[i][0] = d[i - 1][0] + costs.deletion(meant);
        for (std::size_t j = 1; j <= n; ++j) {
            const char32_t c = typed[j - 1];
            std::uint64_t substitution = costs.substitute();
            for (const PairCost& p : costs.substitutions_of(c))
                if (p.meant == meant) substitution = p.cost;
            std::uint64_t best = std::min({d[i - 1][j] + costs.deletion(meant),
                                           d[i][j - 1] + costs.insertion(c),
                                           d[i - 1][j - 1] + (c == meant ? 0 : substitution)});
            if (i > 1 && j > 1 && c == word[i - 2] && typed[j - 2] == meant && c != meant)
                best = std::min(best, d[i - 2][j - 2] + costs.transpose());
            if (costs.doubled() && j > 1 && c == meant && typed[j - 2] == meant)
                best = std::min(best, d[i - 1][j - 2] + *costs.doubled());
            if (costs.undoubled() && i > 1 && c == meant && word[i - 2] == meant)
                best = std::min(best, d[i - 2][j - 1] + *costs.undoubled());
            d[i][j] = best;
        }
    }
    return d[m][n];
}

WalkInput split_input(const std::uint8_t* data, std::size_t size) {
    WalkInput input{};
    std::copy_n(data, std::min(size, kHeader), input.header.begin());
    if (size > kHeader) input.rest = std::span(data + kHeader, size - kHeader);
    return input;
}

Query query_from(std::span<const std::uint8_t, kHeader> header, std::size_t q, const Trie& trie) {
    const std::uint8_t* bytes = header.data() + 5 * q;
    Query query;
    query.max_dist = bytes[0] & 3u;
    const unsigned limit = bytes[0] >> 5;
    if (limit != 7) query.limit = limit;
    const std::size_t length = (bytes[0] >> 2) & 7u;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[1 + i % 4];
        char32_t c = b;
        if (b >= 0x80) {
            const std::size_t nodes = trie.node_strings().size();
            c = nodes == 0 ? U'\u00e9'
                           : trie.node_strings()[(b - 0x80u) % nodes].value_or(U'\u00e9');
        }
        query.characters.push_back(c);
    }
    return query;
}

std::uint64_t levenshtein(std::span<const char32_t> a, std::span<const char32_t> b) {
    std::vector<std::uint64_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::uint64_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::uint64_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

namespace {

struct BuildNode {
    char32_t character;
    std::optional<std::uint32_t> payload;
    std::map<char32_t, std::size_t> children;  // by character, to indexes of the build list
};

char32_t character_of(std::uint8_t b) {
    if (b < 0x80) return b;
    if (b < 0xC0) return U'\u00e0' + (b - 0x80u);
    return U'\U0001F600' + (b - 0xC0u);
}

}  // namespace

Trie trie_of_words(std::span<const std::uint8_t> bytes, bool depth_first, bool reversed) {
    std::vector<BuildNode> nodes(1, BuildNode{0, std::nullopt, {}});
    std::size_t at = 0;
    std::uint32_t position = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != 0xFF) {
            char32_t c = character_of(bytes[i]);
            if (bytes[i] == 0xFE && i + 1 < bytes.size()) c = U'\u4E00' + bytes[++i];
            auto [child, added] = nodes[at].children.try_emplace(c, nodes.size());
            if (added) nodes.push_back(BuildNode{c, std::nullopt, {}});
            at = child->second;
            continue;
        }
        if (at != 0) nodes[at].payload = position;
        ++position;
        at = 0;
    }

    const auto stored_children = [&](std::size_t node) {
        std::vector<std::size_t> children;
        for (const auto& [c, child] : nodes[node].children) children.push_back(child);
        if (reversed) std::reverse(children.begin(), children.end());
        return children;
    };
    // Numbering: the order in which nodes are met, level by level or depth first.
    std::vector<std::size_t> order{0};
    if (depth_first) {
        order.clear();
        std::vector<std::size_t> stack{0};
        while (!stack.empty()) {
            const std::size_t node = stack.back();
            stack.pop_back();
            order.push_back(node);
            const std::vector<std::size_t> children = stored_children(node);
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
    } else {
        for (std::size_t head = 0; head < order.size(); ++head)
            for (std::size_t child : stored_children(order[head])) order.push_back(child);
    }
    std::vector<std::uint32_t> id(nodes.size());
    for (std::size_t i = 0; i < order.size(); ++i) id[order[i]] = static_cast<std::uint32_t>(i);

    TrieArrays trie;
    for (std::size_t node : order) {
        trie.node_shifts.push_back(static_cast<std::uint32_t>(trie.child_indices.size()));
        trie.node_strings.push_back(node == 0 ? std::nullopt
                                              : std::optional<char32_t>(nodes[node].character));
        trie.node_payloads.push_back(nodes[node].payload);
        for (std::size_t child : stored_children(node)) trie.child_indices.push_back(id[child]);
    }
    return Trie(std::move(trie));
}

}  // namespace brindlemap::fuzz
