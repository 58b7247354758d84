// The one handler that names the forced unwind. It carries no object, so the handler binds its
// reference to null, as the C++ runtime's own handlers do: the undefined-behaviour sanitizer is
// told to accept that here (it cannot be told so in a template, hence this one function).
#include "prefix/forced_unwind.h"

#include <cxxabi.h>

namespace brindlemap {

[[gnu::no_sanitize("null")]] void rethrow_if_forced_unwind(void (*on_forced_unwind)()) {
    try {
        throw;
    } catch (const abi::__forced_unwind&) {
        if (on_forced_unwind != nullptr) on_forced_unwind();
        throw;
    } catch (...) {
    }
}

}  // namespace brindlemap
