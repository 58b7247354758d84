// PyRef: the one owner of a strong reference to a Python object.
#pragma once

#include <Python.h>

#include <utility>

#include "boundary/lost_interpreter.h"

namespace brindlemap {

class PyRef {
  public:
    PyRef() noexcept = default;
    static PyRef steal(PyObject* object) noexcept { return PyRef(object); }
    static PyRef borrow(PyObject* object) noexcept {
        Py_XINCREF(object);
        return PyRef(object);
    }

    // Copies exist only because thrown exceptions must be copyable; they run with the GIL held.
    PyRef(const PyRef& other) noexcept : object_(other.object_) { Py_XINCREF(object_); }
    PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    PyRef& operator=(PyRef other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~PyRef() {
        if (object_ != nullptr && !interpreter_lost()) Py_DECREF(object_);
    }

    PyObject* get() const noexcept { return object_; }
    PyObject* release() noexcept { return std::exchange(object_, nullptr); }
    explicit operator bool() const noexcept { return object_ != nullptr; }

  private:
    explicit PyRef(PyObject* object) noexcept : object_(object) {}
    PyObject* object_ = nullptr;
};

}  // namespace brindlemap
