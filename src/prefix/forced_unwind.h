// The unwind by which the C library ends a thread (pthread_exit: the interpreter ends a daemon
// thread that asks for its lock back during shutdown). It is not an error to handle: a frame
// may clean up as it passes, but whatever catches everything must rethrow it, or the process
// aborts, and no function it passes through may be noexcept.
#pragma once

#include <cxxabi.h>

namespace brindlemap {

using ForcedUnwind = abi::__forced_unwind;

}  // namespace brindlemap
