// Long walks run the interpreter's signal handlers as they go: a handler that raises (Ctrl-C's
// KeyboardInterrupt, say) ends the walk with its exception, everything released.
#pragma once

#include "prefix/matcher/walk_interrupt.h"

namespace brindlemap {

WalkInterrupt signal_interrupt() noexcept;

}  // namespace brindlemap
