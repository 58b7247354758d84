// Long walks run the interpreter's signal handlers as they go: a handler that raises (Ctrl-C's
// KeyboardInterrupt, say) ends the walk with its exception, everything released.
#pragma once

#include <utility>

#include "boundary/error.h"
#include "boundary/released_gil.h"
#include "prefix/walk_interrupt.h"

namespace brindlemap {

// For a walk that holds the interpreter lock.
WalkInterrupt signal_interrupt() noexcept;

// Thrown out of a walk that runs without the lock when a signal handler raised: the handler's
// exception is pending once the lock is back.
struct SignalRaised {};

// The poll of a walk that runs without the lock: it takes the lock back (`released` is the
// ReleasedGil) to run the handlers, and throws SignalRaised when one raised.
void poll_signals_released(void* released);

// Runs walk(interrupt) with the interpreter lock given up, so that other threads run Python
// meanwhile, and returns what it returns; a signal handler that raises ends the walk with its
// exception. `walk` must touch no Python object.
template <class Walk>
auto walk_without_gil(Walk&& walk) {
    try {
        return without_gil([&](ReleasedGil& released) {
            WalkInterrupt interrupt(poll_signals_released, &released);
            return std::forward<Walk>(walk)(interrupt);
        });
    } catch (const SignalRaised&) {
        throw_pending();
    }
}

}  // namespace brindlemap
