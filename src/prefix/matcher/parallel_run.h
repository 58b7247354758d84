// Runs many independent walks on native threads while the calling thread keeps watch: it is
// called back every so often and may stop the batch, which ends every walk at its next poll.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "prefix/walk_interrupt.h"

namespace brindlemap {

// Runs work(i, interrupt) for every i in [0, count), each once, on `threads` native threads
// (at least one), in no fixed order. Meanwhile the calling thread runs `keep_going` every
// `period`; once it returns false, the walks still running end at their next poll of
// `interrupt` and the items not yet begun are skipped. Returns when every thread has ended,
// with true if all items ran; rethrows there the first exception a work item threw.
bool run_on_threads(std::size_t count, std::size_t threads,
                    const std::function<void(std::size_t, WalkInterrupt&)>& work,
                    const std::function<bool()>& keep_going, std::chrono::milliseconds period);

}  // namespace brindlemap
