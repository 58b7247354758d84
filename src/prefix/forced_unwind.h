// The unwind by which the C library ends a thread (pthread_exit: the interpreter ends a daemon
// thread that asks for its lock back during shutdown). It is not an error to handle: a frame
// may clean up as it passes, but whatever catches everything must rethrow it, or the process
// aborts, and no function it passes through may be noexcept.
#pragma once

namespace brindlemap {

// Called first inside a catch-all handler: when the exception being handled is the forced
// unwind, runs `on_forced_unwind` (if given) and rethrows it; otherwise returns, and the
// handler goes on with its exception.
void rethrow_if_forced_unwind(void (*on_forced_unwind)() = nullptr);

}  // namespace brindlemap
