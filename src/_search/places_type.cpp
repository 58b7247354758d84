// The Places type: its instances, made whole by places(), and their lifetime.
#include "_search/places_type.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "boundary/error.h"
#include "boundary/guard.h"
#include "boundary/holder_type.h"

namespace brindlemap {
namespace {

constexpr std::size_t kStep = 32;

struct Sizes {
    explicit Sizes(PyObject* exporter) : sizes(exporter), items(sizes.view()) {}
    AsNumbers::Value sizes;  // keeps the exporter's buffer for as long as the places live
    NumberView items;
    std::vector<std::uint64_t> sums;  // sums[k]: the sum of the first k * kStep sizes
};

Py_ssize_t length(PyObject* self) {
    return static_cast<Py_ssize_t>(held_by<Sizes>(self).items.size() + 1);
}

PyObject* item(PyObject* self, Py_ssize_t at) {
    return call_guard([&] {
        const Sizes& held = held_by<Sizes>(self);
        if (at < 0 || static_cast<std::size_t>(at) > held.items.size())
            throw_error(PyExc_IndexError, "place out of range");
        const auto i = static_cast<std::size_t>(at);
        std::uint64_t place = held.sums[i / kStep];
        for (std::size_t k = i - i % kStep; k < i; ++k) place += held.items[k];
        return owned(PyLong_FromUnsignedLongLong(place));
    });
}

PyType_Slot slots[] = {
    {Py_tp_base, &PyBaseObject_Type},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate_holder<Sizes>)},
    {Py_sq_length, reinterpret_cast<void*>(length)},
    {Py_sq_item, reinterpret_cast<void*>(item)},
    {Py_tp_doc, const_cast<char*>("Where each of a run of items begins, from their sizes; "
                                  "_search.places() makes one.")},
    {0, nullptr},
};

PyType_Spec spec = {
    "brindlemap._search.Places",
    static_cast<int>(sizeof(HolderObject<Sizes>)),
    0,
    // Made only whole, by places(): no instance ever lacks its sizes.
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    slots,
};

PyTypeObject* type_object = nullptr;  // written once, with the GIL held

}  // namespace

PyTypeObject* places_type() { return holder_type(type_object, spec); }

PyRef places(const AsNumbers::Value& sizes, std::uint64_t least) {
    auto held = std::make_unique<Sizes>(sizes.exporter());
    const NumberView& items = held->items;
    held->sums.reserve(items.size() / kStep + 2);
    std::uint64_t sum = 0, smallest = least;
    std::size_t left = kStep;
    held->sums.push_back(0);
    items.each([&](std::uint64_t size) {
        smallest = std::min(smallest, size);
        sum += size;
        if (--left == 0) {
            held->sums.push_back(sum);
            left = kStep;
        }
    });
    if (items.size() % kStep != 0) held->sums.push_back(sum);
    if (smallest < least)
        throw_error(PyExc_ValueError, "a size is less than " + std::to_string(least));
    return holder_of(places_type(), std::move(held));
}

}  // namespace brindlemap
