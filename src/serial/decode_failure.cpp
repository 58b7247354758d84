// The texts of the decode failures, written as the debug rendering callers expect.
#include "serial/decode_failure.h"

#include <string>

#include "prefix/failure.h"

namespace brindlemap::serial {
namespace {

std::string_view integer_type_name(IntegerType type) {
    switch (type) {
        case IntegerType::u32:
            return "U32";
        case IntegerType::u64:
            return "U64";
        case IntegerType::u128:
            return "U128";
        case IntegerType::reserved:
            break;
    }
    return "Reserved";
}

}  // namespace

void fail_unexpected_end(std::size_t additional, std::source_location where) {
    panic_unwrap_err("UnexpectedEnd { additional: " + std::to_string(additional) + " }",
                     FailureKind::bytes_end_early, where);
}

void fail_invalid_integer_type(IntegerType expected, IntegerType found,
                               std::source_location where) {
    std::string text = "InvalidIntegerType { expected: ";
    text += integer_type_name(expected);
    text += ", found: ";
    text += integer_type_name(found);
    text += " }";
    panic_unwrap_err(text, FailureKind::bytes_invalid, where);
}

void fail_unexpected_variant(std::string_view type_name, std::uint32_t found,
                             std::source_location where) {
    std::string text = "UnexpectedVariant { type_name: \"";
    text += type_name;
    text += "\", allowed: Range { min: 0, max: 1 }, found: ";
    text += std::to_string(found);
    text += " }";
    panic_unwrap_err(text, FailureKind::bytes_invalid, where);
}

void fail_invalid_char_encoding(const std::array<std::uint8_t, 4>& bytes,
                                std::source_location where) {
    std::string text = "InvalidCharEncoding([";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(bytes[i]);
    }
    text += "])";
    panic_unwrap_err(text, FailureKind::bytes_invalid, where);
}

}  // namespace brindlemap::serial
