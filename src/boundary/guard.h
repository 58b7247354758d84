// The boundary guards: every entry point the interpreter calls runs its body inside one, and
// this is the one place where C++ exceptions become Python exceptions. Nothing escapes but the
// forced unwind that ends a thread (prefix/forced_unwind.h), which the guards let through: so
// they, and the entry points around them, are not noexcept.
#pragma once

#include <Python.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <source_location>
#include <stdexcept>

#include "boundary/error.h"
#include "boundary/py_ref.h"
#include "boundary/report.h"
#include "prefix/failure.h"
#include "prefix/forced_unwind.h"

namespace brindlemap {

namespace guard_detail {

// Sets the Python exception for the exception being handled. Called inside a catch block.
inline void raise_current_exception() {
    FailureHandlingScope handling;
    try {
        throw;
    } catch (const PyErrorValue& error) {
        error.restore();
    } catch (const InternalFailure& failure) {
        raise_panic(failure.message());
    } catch (const std::bad_alloc&) {
        // Everything the call held has been released while unwinding; the caller may go on.
        PyErr_NoMemory();
    } catch (const std::length_error&) {
        // A container asked to exceed its largest possible size.
        report_failure("capacity overflow", std::source_location::current());
        raise_panic("capacity overflow");
    } catch (const std::exception& unexpected) {
        report_failure(unexpected.what(), std::source_location::current());
        raise_panic(unexpected.what());
    } catch (...) {
        rethrow_if_forced_unwind();
        report_failure("unknown internal failure", std::source_location::current());
        raise_panic("unknown internal failure");
    }
}

// Reached only when raising a failure failed in turn (PanicException could not be made).
[[noreturn]] inline void trap() noexcept {
    report_failure("uncaught panic at ffi boundary", std::source_location::current());
    std::abort();
}

}  // namespace guard_detail

// Runs `body` (returning PyRef); returns a new reference, or null with the exception set.
template <class Body>
PyObject* call_guard(Body&& body) {
    try {
        try {
            return body().release();
        } catch (...) {
            rethrow_if_forced_unwind();
            guard_detail::raise_current_exception();
        }
    } catch (...) {
        rethrow_if_forced_unwind();
        guard_detail::trap();
    }
    return nullptr;
}

// Runs `body` (returning nothing) for a slot that answers 0, or -1 with the exception set.
template <class Body>
int status_guard(Body&& body) {
    PyObject* done = call_guard([&] {
        body();
        return PyRef::borrow(Py_None);
    });
    if (done == nullptr) return -1;
    Py_DECREF(done);
    return 0;
}

// Runs `body` where nothing can be raised (deallocation): a failure is reported as unraisable.
template <class Body>
void dealloc_guard(Body&& body) {
    try {
        try {
            body();
        } catch (...) {
            rethrow_if_forced_unwind();
            guard_detail::raise_current_exception();
            PyErr_WriteUnraisable(nullptr);
        }
    } catch (...) {
        rethrow_if_forced_unwind();
        guard_detail::trap();
    }
}

}  // namespace brindlemap
