// The generic argument binder: matches a vectorcall's positional and keyword arguments against
// a callable's static parameter description and fills one slot per parameter.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace brindlemap {

struct FunctionDescription {
    std::string_view function_name;
    std::string_view class_name;  // empty for module functions
    std::span<const std::string_view> positional_parameter_names;
    std::size_t required_positional_parameters;
    // No callable of this module has positional-only or keyword-only parameters, so the binder
    // supports none.

    // "PrefixSearch.fuzzy_match()" or "from_bytes()": the first words of every binding message.
    std::string display_name() const;
};

// Borrowed references to the bound arguments, one per parameter; null while unfilled.
template <std::size_t N>
using ArgumentSlots = std::array<PyObject*, N>;

// Throws the binding TypeError when the arguments do not fit the description.
void extract_arguments_fastcall(const FunctionDescription& description, PyObject* const* args,
                                Py_ssize_t nargs, PyObject* kwnames, std::span<PyObject*> slots);

// "'a', 'b', and 'c'": the parameter list of the missing-arguments message.
std::string push_parameter_list(std::span<const std::string_view> names);

}  // namespace brindlemap
