// The module's callables and their parameters, each declared once: the method table, the text
// signatures, the binder and the conversions of every entry point are made from these.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "boundary/convert.h"
#include "boundary/signature.h"
#include "prefix/trie/node_arrays.h"

namespace brindlemap {

// A node's character, the first of its string: absent for the empty string.
struct AsNodeCharacter {
    using Value = std::optional<char32_t>;
    static Value convert(PyObject* object);
};

// The argument of from_bytes: exact bytes and bytearray objects are viewed in place, since
// their items are all integers 0 to 255 and converting them could only copy; any other
// sequence is converted item by item.
struct AsByteString {
    class Value {
      public:
        explicit Value(std::span<const std::uint8_t> view) noexcept : view_(view) {}
        explicit Value(std::vector<std::uint8_t> copy) noexcept : copy_(std::move(copy)) {}
        // Valid while the argument lives; decoding runs no Python code, so a bytearray cannot
        // change meanwhile.
        std::span<const std::uint8_t> bytes() const noexcept {
            return view_.data() != nullptr ? view_ : std::span<const std::uint8_t>(copy_);
        }

      private:
        std::span<const std::uint8_t> view_;
        std::vector<std::uint8_t> copy_;
    };
    static Value convert(PyObject* object);
};

namespace signatures {

inline constexpr Signature<AsText, AsU64, AsOptional<AsU64>> fuzzy_match{
    "fuzzy_match", "PrefixSearch", {"prefix", "max_dist", "limit"}};
inline constexpr Signature<AsText> exact_match{"exact_match", "PrefixSearch", {"prefix"}};
inline constexpr Signature<AsU32> get_children{"get_children", "PrefixSearch", {"node_id"}};
inline constexpr Signature<AsU32> get_payload{"get_payload", "PrefixSearch", {"node_id"}};
inline constexpr Signature<> to_bytes{"to_bytes", "PrefixSearch", {}};

inline constexpr Signature<
    AsArray<std::vector<std::uint32_t>, AsU32>, AsArray<CharArray, AsNodeCharacter>,
    AsArray<PayloadArray, AsOptional<AsU32>>, AsArray<std::vector<std::uint32_t>, AsU32>>
    from_internal_data{"from_internal_data",
                       "",
                       {"node_shifts", "node_strings", "node_payloads", "child_indices"}};
inline constexpr Signature<AsByteString> from_bytes{"from_bytes", "", {"bs"}};

}  // namespace signatures
}  // namespace brindlemap
