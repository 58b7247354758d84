// brindlemap._search.EditCosts: the native table of a weighted rule, made once from the pieces
// that brindlemap.Costs (its subclass) has checked, and read by the walks without the lock.
#pragma once

#include <Python.h>

#include "prefix/matcher/edit_costs.h"

namespace brindlemap {

// The type object, made on first need and kept for the process.
PyTypeObject* edit_costs_type();

// The costs of `object` when it is an EditCosts (or a subclass); null when it is something else.
// TypeError when it is one whose __init__ has not run. The costs live as long as the object,
// which never changes them.
const EditCosts* edit_costs_of(PyObject* object);

}  // namespace brindlemap
