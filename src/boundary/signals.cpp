// The signal poll of the walks.
#include "boundary/signals.h"

#include <Python.h>

#include "boundary/error.h"

namespace brindlemap {
namespace {

void run_signal_handlers(void*) {
    if (PyErr_CheckSignals() < 0) throw_pending();
}

}  // namespace

WalkInterrupt signal_interrupt() noexcept {
    return WalkInterrupt(run_signal_handlers, nullptr);
}

}  // namespace brindlemap
