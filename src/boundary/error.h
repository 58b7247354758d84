// Error values: Python exceptions described but not yet raised, thrown as C++ exceptions from
// the boundary code and raised by the guard. Also the fetch of pending exceptions and the
// PanicException type.
#pragma once

#include <Python.h>

#include <optional>
#include <string>
#include <string_view>

#include "boundary/py_ref.h"

namespace brindlemap {

class PyErrorValue {
  public:
    // Lazy: a type and its message, made into an exception only when raised.
    static PyErrorValue lazy(PyObject* type, std::string message) {
        return PyErrorValue(PyRef::borrow(type), std::move(message), PyRef());
    }
    // Normalized: an exception object fetched from the interpreter.
    static PyErrorValue normalized(PyRef exception) {
        return PyErrorValue(PyRef(), std::string(), std::move(exception));
    }

    // Makes this error the interpreter's current exception.
    void restore() const;
    // The exception object itself, making it first if the error is lazy.
    PyRef exception() const;
    // The exception's type, without normalizing.
    PyObject* type() const noexcept;

  private:
    PyErrorValue(PyRef type, std::string message, PyRef exception)
        : type_(std::move(type)), message_(std::move(message)), exception_(std::move(exception)) {}

    PyRef type_;
    std::string message_;
    PyRef exception_;
};

[[noreturn]] inline void throw_error(PyObject* type, std::string message) {
    throw PyErrorValue::lazy(type, std::move(message));
}

// The rule for an interpreter call that returns a new reference, or null with an exception set:
// its result is taken by `owned`, which throws that exception as an error value. A call that
// signals failure otherwise (-1, or a value beside PyErr_Occurred) is followed by throw_pending.
// The objects made for a call's result are the one exception: see result_object (convert.h).
PyRef owned(PyObject* result);

// Takes the interpreter's pending exception after a failed C-API call as an error value;
// SystemError when nothing is pending. A PanicException fetched this way resumes the internal
// failure instead (its traceback printed, no second report).
PyErrorValue fetch_pending();
[[noreturn]] inline void throw_pending() {
    throw fetch_pending();
}

// The pending exception, if any, taken and dropped: the one way this module ignores an
// interpreter's error. A PanicException is not dropped but resumed, as fetch_pending does.
void drop_pending();

// The UTF-8 text of `text`, a str that an interpreter call returned (null when it failed);
// nothing when there is none, the failure dropped as drop_pending drops it.
std::optional<std::string> utf8_of(PyRef text);

// repr(object) as UTF-8, "None" for a null object, `fallback` when repr fails.
std::string repr_or(PyObject* object, std::string_view fallback);

// str(object) as UTF-8, lone surrogates replaced; when str() itself fails, that failure is
// reported as unraisable and "<unprintable T object>" stands in.
std::string display_text(PyObject* object);

// The "PyErr { type: …, value: …, traceback: … }" rendering used inside failure messages.
std::string debug_rendering(const PyErrorValue& error);

// Created on first need and kept for the life of the process.
PyObject* panic_exception_type();

// Sets PanicException(message) as the current exception.
void raise_panic(const std::string& message);

}  // namespace brindlemap
