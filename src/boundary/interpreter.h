// The one interpreter the package's native modules serve: their types and caches are shared by
// the whole process, so only the interpreter that first imports one of them may use them.
#pragma once

#include <string_view>

namespace brindlemap {

// Records the current interpreter on the first call; in any other interpreter, throws the
// ImportError that names `module_name`.
void claim_interpreter(std::string_view module_name);

}  // namespace brindlemap
