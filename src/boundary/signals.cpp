// The signal poll of the walks.
#include "boundary/signals.h"

#include <Python.h>

#include "boundary/error.h"
#include "boundary/lost_interpreter.h"
#include "prefix/forced_unwind.h"

namespace brindlemap {
namespace {

// The handlers, and the collection of cycles that the check may run, are Python code: at
// shutdown, a daemon thread running them can be ended there.
void run_signal_handlers(void*) {
    int checked = 0;
    try {
        checked = PyErr_CheckSignals();
    } catch (...) {
        rethrow_if_forced_unwind(mark_interpreter_lost);
        throw;
    }
    if (checked < 0) throw_pending();
}

}  // namespace

void poll_signals_released(void* released) {
    if (static_cast<ReleasedGil*>(released)->with_gil([] { return PyErr_CheckSignals() < 0; }))
        throw SignalRaised{};
}

WalkInterrupt signal_interrupt() noexcept {
    return WalkInterrupt(run_signal_handlers, nullptr);
}

}  // namespace brindlemap
