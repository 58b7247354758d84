// The entry point of brindlemap._brindlemap. All that stands behind it lives in the package's
// shared native library, which brindlemap._search shares: one PrefixSearch type, one
// PanicException type and one failure report for the process.
#include "_brindlemap/module.h"

PyMODINIT_FUNC PyInit__brindlemap(void) {
    return brindlemap::init_brindlemap_module();
}
