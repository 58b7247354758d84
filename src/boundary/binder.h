// The generic argument binder: matches a vectorcall's positional and keyword arguments against
// a callable's static parameter description and fills one slot per parameter, a missing
// argument that has a default taking that default.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "boundary/py_ref.h"

namespace brindlemap {

// What a parameter takes when its argument is not given: nothing (the argument is required),
// None, an integer or a str. Shown in the text signature and made for the call as it is shown.
struct Default {
    enum class Kind : unsigned char { required, none, integer, text };
    Kind kind = Kind::required;
    long long integer = 0;
    std::string_view text = {};

    constexpr bool given() const noexcept { return kind != Kind::required; }
    // The Python object of the default, new for the call.
    PyRef object() const;
};

namespace defaults {
inline constexpr Default none{Default::Kind::none};
constexpr Default integer(long long value) noexcept {
    return Default{Default::Kind::integer, value};
}
constexpr Default text(std::string_view value) noexcept {
    return Default{Default::Kind::text, 0, value};
}
}  // namespace defaults

// One parameter: its name, its default and whether it may be given by keyword only (the
// parameters after the `*` of the text signature). A bare name is a required parameter that
// may be given by position or by keyword.
struct Parameter {
    std::string_view name;
    Default value = {};
    bool keyword_only = false;

    constexpr Parameter(const char* bare) noexcept : name(bare) {}  // NOLINT: implicit on purpose
    constexpr Parameter(std::string_view named, Default otherwise, bool by_keyword = false) noexcept
        : name(named), value(otherwise), keyword_only(by_keyword) {}
};

// A parameter with a default, given by position or by keyword; one given by keyword only.
constexpr Parameter optional(std::string_view name, Default value) noexcept {
    return Parameter(name, value);
}
constexpr Parameter keyword(std::string_view name, Default value) noexcept {
    return Parameter(name, value, true);
}

struct FunctionDescription {
    std::string_view function_name;
    std::string_view class_name;  // empty for module functions
    // In order: the required positional parameters, the positional ones with defaults, then
    // the keyword-only ones, which all have defaults (Signature checks this when it is made).
    std::span<const Parameter> parameters;
    std::size_t positional_parameters;
    std::size_t required_positional_parameters;

    // "PrefixSearch.fuzzy_match()" or "from_bytes()": the first words of every binding message.
    std::string display_name() const;
};

// Borrowed references to the bound arguments, one per parameter; null while unfilled. The
// defaults made for the call are owned beside them, for as long as the slots are used.
template <std::size_t N>
struct ArgumentSlots {
    std::array<PyObject*, N> slots{};
    std::array<PyRef, N> defaults{};
    PyObject* operator[](std::size_t i) const noexcept { return slots[i]; }
};

// Throws the binding TypeError when the arguments do not fit the description; then fills the
// slots left empty from their defaults.
void extract_arguments_fastcall(const FunctionDescription& description, PyObject* const* args,
                                Py_ssize_t nargs, PyObject* kwnames, std::span<PyObject*> slots,
                                std::span<PyRef> defaults);

// "'a', 'b', and 'c'": the parameter list of the missing-arguments message.
std::string push_parameter_list(std::span<const std::string_view> names);

}  // namespace brindlemap
