// The interpreter check of the native modules' initialisation.
#include "boundary/interpreter.h"

#include <Python.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "boundary/error.h"

namespace brindlemap {
namespace {

// The interpreter that first initialised a module; -1 until then.
std::atomic<std::int64_t> initialising_interpreter{-1};

}  // namespace

void claim_interpreter(std::string_view module_name) {
    const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (interpreter == -1) throw_pending();
    std::int64_t expected = -1;
    if (!initialising_interpreter.compare_exchange_strong(expected, interpreter) &&
        expected != interpreter)
        throw_error(PyExc_ImportError,
                    std::string(module_name) +
                        " does not support sub-interpreters: it can be imported only in the "
                        "interpreter that first imported it");
}

}  // namespace brindlemap
