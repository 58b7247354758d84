// The interpreter lock given up for a stretch of native work on immutable data, and taken back
// on every way out, exceptions included.
//
// Taking the lock back during shutdown ends a daemon thread with a forced unwind
// (prefix/forced_unwind.h). Then the lock is not this thread's any more and is never taken or
// given up again on the way out, and the lock is taken back for good only outside any exception
// handler: an unwind that starts while another exception unwinds ends the process.
#pragma once

#include <Python.h>

#include <exception>
#include <optional>
#include <utility>

#include "boundary/lost_interpreter.h"
#include "prefix/forced_unwind.h"

namespace brindlemap {

class ReleasedGil {
  public:
    ReleasedGil() noexcept : state_(PyEval_SaveThread()) {}
    // Only reached with the lock still given up on the way out of a forced unwind that did not
    // come from the interpreter; without_gil takes it back on every other way.
    ~ReleasedGil() noexcept(false) { restore(); }
    ReleasedGil(const ReleasedGil&) = delete;
    ReleasedGil& operator=(const ReleasedGil&) = delete;

    // Takes the lock back for good; may end the thread at shutdown, and then the references
    // that the frames on the way out hold are not this thread's to release.
    void restore() {
        if (state_ == nullptr) return;
        try {
            PyEval_RestoreThread(std::exchange(state_, nullptr));
        } catch (...) {
            rethrow_if_forced_unwind(mark_interpreter_lost);
            throw;
        }
    }

    // Runs `call` with the lock held again, then gives the lock up once more. An exception
    // that `call` leaves pending stays with this thread until the lock is back for good.
    template <class Call>
    auto with_gil(Call&& call) {
        try {
            PyEval_RestoreThread(std::exchange(state_, nullptr));
            auto result = std::forward<Call>(call)();
            state_ = PyEval_SaveThread();
            return result;
        } catch (...) {
            rethrow_if_forced_unwind(mark_interpreter_lost);
            state_ = PyEval_SaveThread();
            throw;
        }
    }

  private:
    PyThreadState* state_;
};

// Runs work(released) with the lock given up and returns what it returns, taking the lock back
// before anything `work` threw goes on its way.
template <class Work>
auto without_gil(Work&& work) {
    ReleasedGil released;
    std::optional<decltype(work(released))> result;
    std::exception_ptr failure;
    try {
        result.emplace(std::forward<Work>(work)(released));
    } catch (...) {
        rethrow_if_forced_unwind();
        failure = std::current_exception();
    }
    released.restore();
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
}

}  // namespace brindlemap
