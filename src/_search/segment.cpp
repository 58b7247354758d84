// segment: the tables viewed in place, the programme run with the interpreter lock given up.
#include "_search/segment.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "boundary/error.h"
#include "boundary/signals.h"
#include "prefix/utf8.h"

namespace brindlemap {

AsNumbers::Value::Value(PyObject* object) {
    if (!PyObject_CheckBuffer(object) ||
        PyObject_GetBuffer(object, &buffer_, PyBUF_FORMAT | PyBUF_C_CONTIGUOUS) < 0) {
        PyErr_Clear();
        throw_error(PyExc_TypeError, "expected an array of unsigned integers, not " +
                                         std::string(Py_TYPE(object)->tp_name));
    }
    held_ = true;
    const std::string_view format = buffer_.format != nullptr ? buffer_.format : "B";
    static constexpr std::string_view kFormats[] = {"B", "H", "I", "L", "Q"};
    const bool known = std::find(std::begin(kFormats), std::end(kFormats), format) !=
                       std::end(kFormats);
    const Py_ssize_t size = buffer_.itemsize;
    if (!known || buffer_.ndim > 1 || !(size == 1 || size == 2 || size == 4 || size == 8))
        throw_error(PyExc_TypeError, "expected an array of unsigned integers (typecode B, H, I, "
                                     "L or Q), not one of format '" + std::string(format) + "'");
}

AsNumbers::Value::Value(Value&& other) noexcept
    : buffer_(other.buffer_), held_(std::exchange(other.held_, false)) {}

AsNumbers::Value::~Value() {
    if (held_) PyBuffer_Release(&buffer_);
}

NumberView AsNumbers::Value::view() const noexcept {
    const auto itemsize = static_cast<std::size_t>(buffer_.itemsize);
    return NumberView(buffer_.buf, itemsize, static_cast<std::size_t>(buffer_.len) / itemsize);
}

double AsReal::convert(PyObject* object) {
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) throw_pending();
    return value;
}

PyRef segment(const BorrowedTrie& trie, std::string_view text, const AsWordText::Value& allowed,
              const AsNumbers::Value& totals, std::uint64_t total, const AsNumbers::Value& pairs,
              const AsNumbers::Value& pair_counts, std::uint64_t mass, double smoothing,
              double unknown_first, double unknown_per_letter, std::uint64_t longest) {
    const std::vector<char32_t> characters = utf8::decode_all(text);
    if (characters.size() > 0xFFFFFFFFu)
        throw_error(PyExc_ValueError, "a text of more than 4294967295 characters");
    const std::string_view mask = allowed.text();
    const SegmentModel model{totals.view(),        pairs.view(),
                             pair_counts.view(),   std::max<std::uint64_t>(total, 1),
                             std::max<std::uint64_t>(mass, 1), smoothing,
                             unknown_first,        unknown_per_letter};
    const std::size_t reach =
        static_cast<std::size_t>(std::min<std::uint64_t>(longest, characters.size()));
    std::vector<std::uint32_t> starts = walk_without_gil([&](WalkInterrupt& interrupt) {
        return segment_starts(
            trie.trie(), characters,
            std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(mask.data()),
                                           mask.size()),
            model, reach, interrupt);
    });
    return py_list(starts.size(), [&](std::size_t i) { return py_u32(starts[i]); });
}

}  // namespace brindlemap
