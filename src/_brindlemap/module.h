// The initialisation of brindlemap._brindlemap, exported from the package's shared native
// library to the module's own small entry point.
#pragma once

#include <Python.h>

namespace brindlemap {

// What PyInit__brindlemap returns: a new reference to the module, or null with the exception
// set.
[[gnu::visibility("default")]] PyObject* init_brindlemap_module();

}  // namespace brindlemap
