// Raising brindlemap.errors' types: the module is imported when the first one is raised.
#include "boundary/package_errors.h"

#include "boundary/error.h"
#include "boundary/py_ref.h"

namespace brindlemap {

void throw_package_error(PackageError type, const std::string& message, std::string_view reason) {
    const char* name =
        type == PackageError::malformed_trie ? "MalformedTrieError" : "IndexFileError";
    PyRef module = owned(PyImport_ImportModule("brindlemap.errors"));
    PyRef error_type = owned(PyObject_GetAttrString(module.get(), name));
    PyRef text = owned(PyUnicode_FromStringAndSize(message.data(),
                                                   static_cast<Py_ssize_t>(message.size())));
    PyRef error;
    if (type == PackageError::index_file) {
        PyRef why = owned(PyUnicode_FromStringAndSize(reason.data(),
                                                      static_cast<Py_ssize_t>(reason.size())));
        error = owned(PyObject_CallFunctionObjArgs(error_type.get(), text.get(), why.get(),
                                                   nullptr));
    } else {
        error = owned(PyObject_CallOneArg(error_type.get(), text.get()));
    }
    throw PyErrorValue::normalized(std::move(error));
}

}  // namespace brindlemap
