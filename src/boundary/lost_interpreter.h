// Marks a thread that the interpreter ended while native code ran (a forced unwind out of a call
// that wanted the interpreter's lock at shutdown): the thread no longer holds the lock, so the
// references its frames release on the way out are left alone rather than raced with shutdown.
#pragma once

namespace brindlemap {

// Whether this thread has lost the interpreter; only ever set, by the code that sees the
// forced unwind come out of the interpreter.
inline bool& interpreter_lost() noexcept {
    static thread_local bool lost = false;
    return lost;
}

// Sets it: for rethrow_if_forced_unwind (prefix/forced_unwind.h).
inline void mark_interpreter_lost() noexcept {
    interpreter_lost() = true;
}

}  // namespace brindlemap
