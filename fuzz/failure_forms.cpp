// Exact parsers of the failure messages: any character out of place is a finding.
#include "failure_forms.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace brindlemap::fuzz {
namespace {

class Text {
  public:
    explicit Text(std::string_view text) : rest_(text) {}

    bool eat(std::string_view expected) {
        if (!rest_.starts_with(expected)) return false;
        rest_.remove_prefix(expected.size());
        return true;
    }

    // A decimal number of at most 19 digits without leading zeros, within [min, max].
    std::optional<std::uint64_t> number(std::uint64_t min, std::uint64_t max) {
        std::size_t digits = 0;
        std::uint64_t value = 0;
        while (digits < rest_.size() && rest_[digits] >= '0' && rest_[digits] <= '9') {
            if (digits == 19 || (digits > 0 && value == 0)) return std::nullopt;
            value = value * 10 + static_cast<std::uint64_t>(rest_[digits] - '0');
            ++digits;
        }
        if (digits == 0 || value < min || value > max) return std::nullopt;
        rest_.remove_prefix(digits);
        return value;
    }

    bool done() const { return rest_.empty(); }

  private:
    std::string_view rest_;
};

bool is_decode_error_text(Text& t) {
    // 8: a nine-byte varint form with only its first byte left.
    if (t.eat("UnexpectedEnd { additional: ")) return t.number(1, 8) && t.eat(" }");
    if (t.eat("InvalidIntegerType { expected: U32, found: "))
        return (t.eat("U64") || t.eat("U128") || t.eat("Reserved")) && t.eat(" }");
    if (t.eat("InvalidIntegerType { expected: U64, found: "))
        return (t.eat("U128") || t.eat("Reserved")) && t.eat(" }");
    if (t.eat("UnexpectedVariant { type_name: \"core::option::Option<"))
        return (t.eat("char>\"") || t.eat("u32>\"")) &&
               t.eat(", allowed: Range { min: 0, max: 1 }, found: ") && t.number(2, 255) &&
               t.eat(" }");
    if (t.eat("InvalidCharEncoding([")) {
        for (int i = 0; i < 4; ++i)
            if ((i > 0 && !t.eat(", ")) || !t.number(0, 255)) return false;
        return t.eat("])");
    }
    return false;
}

}  // namespace

bool is_decode_failure(std::string_view message) {
    if (message == "capacity overflow") return true;
    Text t(message);
    return t.eat("called `Result::unwrap()` on an `Err` value: ") && is_decode_error_text(t) &&
           t.done();
}

bool is_walk_failure(std::string_view message) {
    if (message == "called `Option::unwrap()` on a `None` value") return true;
    if (message.starts_with("malformed trie: ")) return true;
    Text t(message);
    if (!t.eat("index out of bounds: the len is ")) return false;
    const std::optional<std::uint64_t> len = t.number(0, UINT64_MAX);
    if (!len || !t.eat(" but the index is ")) return false;
    const std::optional<std::uint64_t> index = t.number(*len, UINT64_MAX);  // never in range
    return index && t.done();
}

void finding(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "\n==FINDING== %.*s: %.*s\n", static_cast<int>(what.size()), what.data(),
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

}  // namespace brindlemap::fuzz
