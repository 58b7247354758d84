// A callable's parameters, declared once: the binder's description, the text signature of its
// docstring, the defaults and the typed conversion and checks of each bound argument all come
// from one Signature.
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

// A docstring that begins with a text signature, "name($self, a, b=1, *, c=None)\n--\n\n", from
// which the interpreter takes __text_signature__; the rest, possibly nothing, is __doc__.
template <std::size_t N>
struct DocText {
    std::array<char, N> text{};
    const char* c_str() const noexcept { return text.data(); }
};

// Each Converter names the native type of its argument (Converter::Value) and makes it
// (Converter::convert), checking it; its parameter says whether it is required, its default
// and whether it is keyword-only. Required parameters come first, keyword-only ones last.
template <class... Converters>
struct Signature {
    static constexpr std::size_t kArity = sizeof...(Converters);

    std::string_view name;        // a literal: its data is the method definition's name
    std::string_view class_name;  // empty for a module function
    std::array<Parameter, kArity> parameters;
    std::string_view summary = {};  // the docstring after the text signature

    constexpr std::size_t positional() const {
        std::size_t count = 0;
        while (count < kArity && !parameters[count].keyword_only) ++count;
        return count;
    }
    constexpr std::size_t required() const {
        std::size_t count = 0;
        while (count < kArity && !parameters[count].value.given()) ++count;
        return count;
    }
    // The default of the parameter `parameter`: the one place its value is written.
    constexpr Default default_of(std::string_view parameter) const {
        for (const Parameter& p : parameters)
            if (p.name == parameter) return p.value;
        throw "no such parameter";  // not a constant expression
    }

    FunctionDescription description() const noexcept {
        return FunctionDescription{name, class_name, parameters, positional(), required()};
    }

    // The docstring, written through put(std::string_view); a declaration out of order (a
    // required parameter after a default, a positional one after a keyword-only one, a
    // keyword-only one without a default) is not a constant expression.
    template <class Put>
    constexpr void write_doc(Put&& put) const {
        for (std::size_t i = 0; i < kArity; ++i) {
            if (i >= required() && !parameters[i].value.given()) throw "required after optional";
            if (i >= positional() && !parameters[i].keyword_only) throw "positional after *";
        }
        put(name);
        put("(");
        if (!class_name.empty()) put(kArity == 0 ? "$self" : "$self, ");
        for (std::size_t i = 0; i < kArity; ++i) {
            if (i > 0) put(", ");
            if (i == positional()) put("*, ");
            put(parameters[i].name);
            write_default(parameters[i].value, put);
        }
        put(")\n--\n\n");
        put(summary);
    }

    constexpr std::size_t doc_size() const {
        std::size_t size = 1;  // the terminating NUL
        write_doc([&](std::string_view part) { size += part.size(); });
        return size;
    }

    template <std::size_t N>
    constexpr DocText<N> doc() const {
        DocText<N> doc;
        std::size_t at = 0;
        write_doc([&](std::string_view part) {
            for (const char c : part) doc.text[at++] = c;
        });
        return doc;
    }

  private:
    template <class Put>
    static constexpr void write_default(const Default& value, Put& put) {
        switch (value.kind) {
            case Default::Kind::required:
                return;
            case Default::Kind::none:
                put("=None");
                return;
            case Default::Kind::text:
                for (const char c : value.text)
                    if (c == '\'' || c == '\\' || c == '\n') throw "unquotable default";
                put("='");
                put(value.text);
                put("'");
                return;
            case Default::Kind::integer: {
                put("=");
                if (value.integer < 0) throw "negative default";
                char digits[20] = {};
                std::size_t count = 0;
                long long rest = value.integer;
                do {
                    digits[19 - count++] = static_cast<char>('0' + rest % 10);
                    rest /= 10;
                } while (rest > 0);
                put(std::string_view(digits + 20 - count, count));
                return;
            }
        }
    }
};

// The docstring of a signature, in static storage for its method definition.
template <const auto& signature>
inline constexpr auto kDocOf = signature.template doc<signature.doc_size()>();

// Fills one slot per parameter from a vectorcall's arguments and the defaults; throws the
// binding TypeError.
template <class... Converters>
ArgumentSlots<sizeof...(Converters)> bind_arguments(const Signature<Converters...>& signature,
                                                    PyObject* const* args, Py_ssize_t nargs,
                                                    PyObject* kwnames) {
    ArgumentSlots<sizeof...(Converters)> slots{};
    extract_arguments_fastcall(signature.description(), args, nargs, kwnames, slots.slots,
                               slots.defaults);
    return slots;
}

// The bound arguments converted and checked in parameter order, the first failure reported
// against its parameter's name.
template <class... Converters>
std::tuple<typename Converters::Value...> convert_arguments(
    const Signature<Converters...>& signature, const ArgumentSlots<sizeof...(Converters)>& slots) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        // Braced initialisation runs the conversions left to right.
        return std::tuple<typename Converters::Value...>{extract_argument(
            signature.parameters[I].name,
            [&] { return convert_named<Converters>(slots[I], signature.parameters[I].name); })...};
    }(std::index_sequence_for<Converters...>{});
}

}  // namespace brindlemap
