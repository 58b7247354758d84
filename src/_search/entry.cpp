// The entry point of brindlemap._search; what stands behind it lives in the package's shared
// native library, beside brindlemap._brindlemap's.
#include "_search/module.h"

PyMODINIT_FUNC PyInit__search(void) {
    return brindlemap::init_search_module();
}
