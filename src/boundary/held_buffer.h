// The one owner of a buffer that a Python object exports: held from the moment it is taken
// until the handle goes, so that every way out of a call releases it.
#pragma once

#include <Python.h>

#include <utility>

namespace brindlemap {

class HeldBuffer {
  public:
    HeldBuffer() = default;
    HeldBuffer(HeldBuffer&& other) noexcept
        : view_(other.view_), held_(std::exchange(other.held_, false)) {}
    HeldBuffer(const HeldBuffer&) = delete;
    HeldBuffer& operator=(const HeldBuffer&) = delete;
    HeldBuffer& operator=(HeldBuffer&&) = delete;
    ~HeldBuffer() {
        if (held_) PyBuffer_Release(&view_);
    }

    // Asks `object` for its buffer, as PyObject_GetBuffer does with `flags`; false, with the
    // interpreter's error set, where it gives none.
    bool take(PyObject* object, int flags) noexcept {
        held_ = PyObject_GetBuffer(object, &view_, flags) == 0;
        return held_;
    }
    const Py_buffer& view() const noexcept { return view_; }

  private:
    Py_buffer view_{};
    bool held_ = false;
};

}  // namespace brindlemap
