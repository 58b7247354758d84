// number_span and run_sums, and the buffers of unsigned integers that native code reads in
// place.
#include "_search/numbers.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "boundary/convert.h"
#include "boundary/error.h"

namespace brindlemap {

AsNumbers::Value::Value(PyObject* object) {
    if (!PyObject_CheckBuffer(object) ||
        !buffer_.take(object, PyBUF_FORMAT | PyBUF_C_CONTIGUOUS)) {
        PyErr_Clear();
        throw_error(PyExc_TypeError, "expected an array of unsigned integers, not " +
                                         std::string(Py_TYPE(object)->tp_name));
    }
    const Py_buffer& view = buffer_.view();
    const std::string_view format = view.format != nullptr ? view.format : "B";
    static constexpr std::string_view kFormats[] = {"B", "H", "I", "L", "Q"};
    const bool known = std::find(std::begin(kFormats), std::end(kFormats), format) !=
                       std::end(kFormats);
    const Py_ssize_t size = view.itemsize;
    if (!known || view.ndim > 1 || !(size == 1 || size == 2 || size == 4 || size == 8))
        throw_error(PyExc_TypeError, "expected an array of unsigned integers (typecode B, H, I, "
                                     "L or Q), not one of format '" + std::string(format) + "'");
}

NumberView AsNumbers::Value::view() const noexcept {
    const Py_buffer& view = buffer_.view();
    const auto itemsize = static_cast<std::size_t>(view.itemsize);
    return NumberView(view.buf, itemsize, static_cast<std::size_t>(view.len) / itemsize);
}

PyRef number_span(const AsNumbers::Value& numbers) {
    const NumberView items = numbers.view();
    std::uint64_t largest = 0, least = items.size() != 0 ? items[0] : 0, low = 0, carries = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::uint64_t item = items[i];
        largest = std::max(largest, item);
        least = std::min(least, item);
        low += item;
        carries += low < item;  // the sum of 2**64 - 1 items of 2**64 - 1 still fits
    }
    PyRef total = owned(PyLong_FromUnsignedLongLong(low));
    if (carries != 0) {
        const PyRef high = owned(PyLong_FromUnsignedLongLong(carries));
        const PyRef shift = owned(PyLong_FromLong(64));
        const PyRef shifted = owned(PyNumber_Lshift(high.get(), shift.get()));
        total = owned(PyNumber_Add(shifted.get(), total.get()));
    }
    const PyRef most = owned(PyLong_FromUnsignedLongLong(largest));
    const PyRef fewest = owned(PyLong_FromUnsignedLongLong(least));
    return owned(PyTuple_Pack(3, most.get(), total.get(), fewest.get()));
}

namespace {

// `values` as bytes of little-endian u64.
PyRef u64_bytes(std::span<const std::uint64_t> values) {
    const auto length = static_cast<Py_ssize_t>(values.size() * sizeof(std::uint64_t));
    PyRef bytes = result_object(PyBytes_FromStringAndSize(nullptr, length));
    char* out = PyBytes_AS_STRING(bytes.get());
    if constexpr (std::endian::native == std::endian::little) {
        if (!values.empty()) std::memcpy(out, values.data(), values.size_bytes());
    } else {
        for (const std::uint64_t value : values)
            for (int byte = 0; byte < 8; ++byte) *out++ = static_cast<char>(value >> (8 * byte));
    }
    return bytes;
}

}  // namespace

PyRef run_sums(const AsNumbers::Value& numbers, const AsNumbers::Value& runs) {
    const NumberView items = numbers.view();
    // Where each run ends, checked as it is found.
    std::vector<std::uint64_t> sums;
    sums.reserve(runs.view().size());
    bool tiled = true;
    std::uint64_t at = 0;
    runs.view().each([&](std::uint64_t length) {
        tiled = tiled && length != 0 && length <= items.size() - at;
        at += tiled ? length : 0;
        sums.push_back(at);
    });
    if (!tiled || at != items.size())
        throw_error(PyExc_ValueError, "the runs do not take the items there are");
    // Each run's end is written over by its sum once its items are added up; no run is empty,
    // so each item ends at most one.
    std::size_t run = 0;
    std::uint64_t item = 0, sum = 0;
    items.each([&](std::uint64_t value) {
        sum += value;
        if (++item == sums[run]) {
            sums[run++] = sum;
            sum = 0;
        }
    });
    return u64_bytes(sums);
}

}  // namespace brindlemap
