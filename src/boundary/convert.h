// Value converters: each turns one bound Python object into a native value or throws the error
// value of its failure; plus the wrapping of conversion errors with the parameter's name and
// the checked constructors of result objects.
#pragma once

#include <Python.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "boundary/error.h"
#include "boundary/py_ref.h"

namespace brindlemap {

// TypeError "'<type>' object cannot be converted to '<target>'".
[[noreturn]] void throw_type_mismatch(PyObject* object, std::string_view target);

// The UTF-8 text of a str (or subclass), valid while `object` lives; no copy is made.
std::string_view text_view(PyObject* object);

std::uint8_t extract_u8(PyObject* object);
std::uint32_t extract_u32(PyObject* object);
std::uint64_t extract_u64(PyObject* object);

// What a count or a distance does above 2**64 - 1: refuse it, or take 2**64 - 1 (for a bound
// that nothing reaches, so that a larger one means the same).
enum class Above : bool { refuse, saturate };

// A count or a distance of parameter `name`: any integer (by __index__; TypeError otherwise),
// ValueError "<name> must not be negative, not -1" below 0, and above 2**64 - 1 as `above` says
// (ValueError "<name> must be at most 18446744073709551615, not ...").
std::uint64_t extract_count(PyObject* object, std::string_view name, Above above);

// None (by identity) is absent; anything else goes through `inner`.
template <class Inner>
auto extract_optional(PyObject* object, Inner&& inner) -> std::optional<decltype(inner(object))> {
    if (object == Py_None) return std::nullopt;
    return inner(object);
}

// Converters of arguments, for Signature: each names a native type and makes it from an object,
// and those whose checks name the parameter take its name too.
template <class Converter>
auto convert_named(PyObject* object, std::string_view name) {
    if constexpr (requires { Converter::convert(object, name); })
        return Converter::convert(object, name);
    else
        return Converter::convert(object);
}

struct AsText {
    using Value = std::string_view;  // valid while the caller holds the argument: the whole call
    static Value convert(PyObject* object) { return text_view(object); }
};
struct AsU8 {
    using Value = std::uint8_t;
    static Value convert(PyObject* object) { return extract_u8(object); }
};
struct AsU32 {
    using Value = std::uint32_t;
    static Value convert(PyObject* object) { return extract_u32(object); }
};
struct AsU64 {
    using Value = std::uint64_t;
    static Value convert(PyObject* object) { return extract_u64(object); }
};
template <Above above>
struct AsCount {
    using Value = std::uint64_t;
    static Value convert(PyObject* object, std::string_view name) {
        return extract_count(object, name, above);
    }
};
template <class Inner>
struct AsOptional {
    using Value = std::optional<typename Inner::Value>;
    static Value convert(PyObject* object) { return extract_optional(object, Inner::convert); }
    static Value convert(PyObject* object, std::string_view name)
        requires requires { Inner::convert(object, name); }
    {
        return extract_optional(object, [&](PyObject* o) { return Inner::convert(o, name); });
    }
};

// The error reported for a failed conversion of parameter `name`: a TypeError (exactly) is
// remade with "argument '<name>': " in front and its cause kept; others pass unchanged.
PyErrorValue argument_extraction_error(std::string_view name, const PyErrorValue& error);

// Runs one parameter's conversion, reporting its failure against the parameter's name.
template <class Convert>
auto extract_argument(std::string_view name, Convert&& convert) -> decltype(convert()) {
    try {
        return convert();
    } catch (const PyErrorValue& error) {
        throw argument_extraction_error(name, error);
    }
}

namespace convert_detail {
[[noreturn]] void refuse_str();
bool is_str(PyObject* object) noexcept;
Py_ssize_t sequence_size_hint(PyObject* object);
}  // namespace convert_detail

// Reserves room from a size hint; a hint that cannot be honoured only costs regrowth later.
template <class Array>
void reserve_hint(Array& array, std::size_t hint) noexcept {
    try {
        array.reserve(hint);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

// Converts a sequence (not a str) item by item through the iteration protocol: `reserve` gets
// the size hint, `visit` each item as a borrowed reference. Exact lists and tuples are read
// in place with the same observable order, which their iterators would give.
template <class Reserve, class Visit>
void extract_sequence(PyObject* object, Reserve&& reserve, Visit&& visit) {
    if (convert_detail::is_str(object)) convert_detail::refuse_str();
    if (PyList_CheckExact(object)) {
        reserve(static_cast<std::size_t>(PyList_GET_SIZE(object)));
        // Item conversions may run Python code that changes the list: re-read the size and
        // hold each item, as the list's own iterator does.
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(object); ++i) {
            PyRef item = PyRef::borrow(PyList_GET_ITEM(object, i));
            visit(item.get());
        }
        return;
    }
    if (PyTuple_CheckExact(object)) {
        const Py_ssize_t size = PyTuple_GET_SIZE(object);
        reserve(static_cast<std::size_t>(size));
        for (Py_ssize_t i = 0; i < size; ++i) visit(PyTuple_GET_ITEM(object, i));
        return;
    }
    if (!PySequence_Check(object)) throw_type_mismatch(object, "Sequence");
    // Any object's __len__ may claim anything: reserve no more than a bounded amount up front
    // and let the array grow past it if the items really come.
    constexpr std::size_t kUntrustedHintLimit = std::size_t{1} << 20;
    reserve(std::min(static_cast<std::size_t>(convert_detail::sequence_size_hint(object)),
                     kUntrustedHintLimit));
    PyRef iterator = owned(PyObject_GetIter(object));
    while (PyRef item = PyRef::steal(PyIter_Next(iterator.get()))) visit(item.get());
    if (PyErr_Occurred()) throw_pending();
}

// An array of Item values from a sequence (not a str), item by item; `Array` has reserve and
// push_back.
template <class Array, class Item>
struct AsArray {
    using Value = Array;
    static Value convert(PyObject* object) {
        Array array;
        extract_sequence(
            object, [&](std::size_t hint) { reserve_hint(array, hint); },
            [&](PyObject* item) { array.push_back(Item::convert(item)); });
        return array;
    }
};

// Result constructors. Unlike the other interpreter calls, a null here is printed and becomes
// the internal failure "Python API call failed"; only a MemoryError passes on as itself.
PyRef result_object(PyObject* created);
inline PyRef py_u32(std::uint32_t value) {
    return result_object(PyLong_FromLong(value));
}
inline PyRef py_u64(std::uint64_t value) {
    return result_object(PyLong_FromUnsignedLongLong(value));
}
inline PyRef py_text(std::string_view utf8) {
    return result_object(
        PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}
PyRef py_char(char32_t c);
inline PyRef py_none() {
    return PyRef::borrow(Py_None);
}
inline PyRef py_optional_u32(std::optional<std::uint32_t> value) {
    return value ? py_u32(*value) : py_none();
}

// A tuple that takes over `items`; they are released with it should it not be made.
template <class... Items>
PyRef py_tuple(Items... items) {
    PyRef tuple = result_object(PyTuple_New(static_cast<Py_ssize_t>(sizeof...(items))));
    Py_ssize_t slot = 0;
    (PyTuple_SET_ITEM(tuple.get(), slot++, items.release()), ...);
    return tuple;
}

// A list made at its final size, item i being make_item(i).
template <class MakeItem>
PyRef py_list(std::size_t size, MakeItem make_item) {
    PyRef list = result_object(PyList_New(static_cast<Py_ssize_t>(size)));
    for (std::size_t i = 0; i < size; ++i)
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), make_item(i).release());
    return list;
}

}  // namespace brindlemap
