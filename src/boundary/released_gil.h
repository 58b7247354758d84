// The interpreter lock given up for a stretch of native work on immutable data, and taken back
// on every way out, exceptions included.
#pragma once

#include <Python.h>

#include <utility>

namespace brindlemap {

class ReleasedGil {
  public:
    ReleasedGil() noexcept : state_(PyEval_SaveThread()) {}
    ~ReleasedGil() { PyEval_RestoreThread(state_); }
    ReleasedGil(const ReleasedGil&) = delete;
    ReleasedGil& operator=(const ReleasedGil&) = delete;

    // Runs `call` with the lock held again, then gives the lock up once more. An exception
    // that `call` leaves pending stays with this thread until the lock is back for good.
    template <class Call>
    auto with_gil(Call&& call) {
        PyEval_RestoreThread(state_);
        struct Release {
            PyThreadState*& state;
            ~Release() { state = PyEval_SaveThread(); }
        } release{state_};
        return std::forward<Call>(call)();
    }

  private:
    PyThreadState* state_;
};

}  // namespace brindlemap
