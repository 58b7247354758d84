// The initialisation of brindlemap._search, exported from the package's shared native library
// to the module's own small entry point.
#pragma once

#include <Python.h>

namespace brindlemap {

// What PyInit__search returns: a new reference to the module, or null with the exception set.
[[gnu::visibility("default")]] PyObject* init_search_module();

}  // namespace brindlemap
