// A callable's parameters, declared once: the binder's description, the text signature of its
// docstring and the typed conversion of each bound argument all come from one Signature.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <utility>

#include "boundary/binder.h"
#include "boundary/convert.h"

namespace brindlemap {

// A docstring that begins with a text signature, "name($self, a, b)\n--\n\n", from which the
// interpreter takes __text_signature__; the rest, possibly nothing, is __doc__.
struct DocText {
    std::array<char, 512> text{};
    const char* c_str() const noexcept { return text.data(); }
};

// Every parameter is required and may be given by position or by keyword. Each Converter names
// the native type of its argument (Converter::Value) and makes it (Converter::convert).
template <class... Converters>
struct Signature {
    static constexpr std::size_t kArity = sizeof...(Converters);

    std::string_view name;        // a literal: its data is the method definition's name
    std::string_view class_name;  // empty for a module function
    std::array<std::string_view, kArity> parameters;
    std::string_view summary = {};  // the docstring after the text signature

    FunctionDescription description() const noexcept {
        return FunctionDescription{name, class_name, parameters, kArity};
    }

    constexpr DocText doc() const {
        DocText doc;
        std::size_t at = 0;
        const auto put = [&](std::string_view part) {
            for (const char c : part) doc.text[at++] = c;  // too long: not a constant expression
        };
        put(name);
        put("(");
        if (!class_name.empty()) put(kArity == 0 ? "$self" : "$self, ");
        for (std::size_t i = 0; i < kArity; ++i) {
            if (i > 0) put(", ");
            put(parameters[i]);
        }
        put(")\n--\n\n");
        put(summary);
        return doc;
    }
};

// The docstring of a signature, in static storage for its method definition.
template <const auto& signature>
inline constexpr DocText kDocOf = signature.doc();

// Fills one slot per parameter from a vectorcall's arguments; throws the binding TypeError.
template <class... Converters>
ArgumentSlots<sizeof...(Converters)> bind_arguments(const Signature<Converters...>& signature,
                                                    PyObject* const* args, Py_ssize_t nargs,
                                                    PyObject* kwnames) {
    ArgumentSlots<sizeof...(Converters)> slots{};
    extract_arguments_fastcall(signature.description(), args, nargs, kwnames, slots);
    return slots;
}

// The bound arguments converted in parameter order, the first failure reported against its
// parameter's name.
template <class... Converters>
std::tuple<typename Converters::Value...> convert_arguments(
    const Signature<Converters...>& signature, const ArgumentSlots<sizeof...(Converters)>& slots) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        // Braced initialisation runs the conversions left to right.
        return std::tuple<typename Converters::Value...>{extract_argument(
            signature.parameters[I], [&] { return Converters::convert(slots[I]); })...};
    }(std::index_sequence_for<Converters...>{});
}

}  // namespace brindlemap
