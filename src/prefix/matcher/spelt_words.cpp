// The descents that find the words spelt by stretches of a text, and the walks that find the
// words near them.
#include "prefix/matcher/spelt_words.h"

#include <algorithm>
#include <limits>

namespace brindlemap {

std::vector<SpeltWord> spelt_words(const Trie& trie, std::span<const char32_t> text,
                                   std::size_t longest, WalkInterrupt& interrupt) {
    std::vector<SpeltWord> found;
    const CharArray& characters = trie.node_strings();
    const PayloadArray& payloads = trie.node_payloads();
    for (std::size_t start = 0; start < text.size(); ++start) {
        const std::size_t stop = start + std::min(longest, text.size() - start);
        std::uint32_t node = 0;
        for (std::size_t at = start; at < stop; ++at) {
            auto [p, end] = trie.child_run(node);
            interrupt.charge(1 + (end - p));
            while (p < end && characters.raw(trie.child_index(p)) != text[at]) ++p;
            if (p == end) break;
            node = trie.child_index(p);
            if (std::optional<std::uint32_t> payload = payloads[node])
                found.push_back({static_cast<std::uint32_t>(start),
                                 static_cast<std::uint32_t>(at + 1), *payload});
        }
    }
    return found;
}

namespace {

constexpr std::uint32_t kFar = std::numeric_limits<std::uint32_t>::max() / 2;

// The walks from each start of a text, with the rows and the stack they share.
class NearWalk {
  public:
    NearWalk(const Trie& trie, std::span<const char32_t> text, std::size_t longest,
             std::uint32_t max_edits, WalkInterrupt& interrupt)
        : trie_(trie),
          characters_(trie.node_strings()),
          payloads_(trie.node_payloads()),
          text_(text),
          longest_(longest),
          reach_(max_edits),
          interrupt_(interrupt),
          width_(longest + max_edits + 1),
          rows_((longest + 1) * width_, kFar),
          path_(longest + 1, 0) {}

    void from(std::uint32_t start, std::vector<SpeltWord>& found) {
        start_ = start;
        typed_ = text_.subspan(start, std::min(longest_ + reach_, text_.size() - start));
        // Row 0: the empty beginning of a word against each beginning of the stretch.
        std::uint32_t* root = row(0);
        for (std::size_t j = 0; j < width_; ++j)
            root[j] = j <= reach_ && j <= typed_.size() ? static_cast<std::uint32_t>(j) : kFar;
        stack_.clear();
        push_children(0, 1);
        while (!stack_.empty()) {
            const auto [node, depth] = stack_.back();
            stack_.pop_back();
            if (visit(node, depth, found) && depth < longest_) push_children(node, depth + 1);
        }
    }

  private:
    std::uint32_t* row(std::size_t depth) noexcept { return rows_.data() + depth * width_; }

    void push_children(std::uint32_t node, std::size_t depth) {
        auto [p, end] = trie_.child_run(node);
        interrupt_.charge(1 + (end - p));
        for (; p < end; ++p) stack_.push_back({trie_.child_index(p), depth});
    }

    // The node's row from its parent's; whether any cell of its band is within reach.
    bool visit(std::uint32_t node, std::size_t depth, std::vector<SpeltWord>& found) {
        const char32_t letter = characters_.raw(node);
        path_[depth] = letter;
        const std::uint32_t* above = row(depth - 1);
        std::uint32_t* here = row(depth);
        const std::size_t low = depth > reach_ ? depth - reach_ : 0;
        const std::size_t high = std::min(depth + reach_, typed_.size());
        interrupt_.charge(1 + (high >= low ? high - low : 0));
        if (low > typed_.size()) return false;
        if (low > 0) here[low - 1] = kFar;
        std::uint32_t least = kFar;
        for (std::size_t j = low; j <= high; ++j) {
            std::uint32_t best = above[j] + 1;  // the word's letter left out of the stretch
            if (j > 0) {
                best = std::min(best, above[j - 1] + (typed_[j - 1] == letter ? 0u : 1u));
                best = std::min(best, here[j - 1] + 1);  // a letter added to the stretch
                if (depth > 1 && j > 1 && typed_[j - 2] == letter &&
                    typed_[j - 1] == path_[depth - 1])
                    best = std::min(best, row(depth - 2)[j - 2] + 1);  // two letters swapped
            }
            here[j] = best;
            least = std::min(least, best);
        }
        if (high + 1 < width_) here[high + 1] = kFar;
        if (least > reach_) return false;
        if (std::optional<std::uint32_t> payload = payloads_[node]) {
            const std::size_t allowed = std::min<std::size_t>(reach_, depth / kLettersPerEdit);
            for (std::size_t j = std::max<std::size_t>(low, 1); j <= high; ++j)
                if (here[j] <= allowed)
                    found.push_back({start_, static_cast<std::uint32_t>(start_ + j), *payload,
                                     here[j]});
        }
        return true;
    }

    const Trie& trie_;
    const CharArray& characters_;
    const PayloadArray& payloads_;
    std::span<const char32_t> text_;
    std::size_t longest_;
    std::uint32_t reach_;
    WalkInterrupt& interrupt_;
    std::size_t width_;
    std::vector<std::uint32_t> rows_;  // a row of width_ cells for each depth of the path
    std::vector<char32_t> path_;       // the letters of the path from the root
    std::vector<std::pair<std::uint32_t, std::size_t>> stack_;
    std::uint32_t start_ = 0;
    std::span<const char32_t> typed_;
};

}  // namespace

std::vector<SpeltWord> near_words(const Trie& trie, std::span<const char32_t> text,
                                  std::size_t longest, std::uint32_t max_edits,
                                  WalkInterrupt& interrupt, const AfterEachStart& after_each_start) {
    // No word within reach takes more edits than its letters allow.
    max_edits = static_cast<std::uint32_t>(
        std::min<std::size_t>(max_edits, longest / kLettersPerEdit));
    if (max_edits == 0) return spelt_words(trie, text, longest, interrupt);
    std::vector<SpeltWord> found;
    NearWalk walk(trie, text, longest, max_edits, interrupt);
    for (std::size_t start = 0; start < text.size(); ++start) {
        const std::size_t first = found.size();
        walk.from(static_cast<std::uint32_t>(start), found);
        if (after_each_start) after_each_start(found, first);
    }
    return found;
}

}  // namespace brindlemap
