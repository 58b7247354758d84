// Raising brindlemap.errors' types, which that module hands over as it is imported.
#include "boundary/package_errors.h"

#include <cstddef>
#include <memory>
#include <utility>

#include "boundary/error.h"
#include "boundary/py_ref.h"

namespace brindlemap {
namespace {

// Held for the process once handed over; written with the interpreter lock held.
struct Registered {
    PyRef malformed_trie;
    PyRef index_file;
    std::array<PyRef, kIndexReasonNames.size()> reasons;
};
Registered* registered = nullptr;

// The types, handed over by brindlemap.errors, which is imported here if nothing has yet.
const Registered& package_errors() {
    if (registered == nullptr) owned(PyImport_ImportModule("brindlemap.errors"));
    if (registered == nullptr)
        throw_error(PyExc_RuntimeError, "brindlemap.errors did not hand over its types");
    return *registered;
}

}  // namespace

void register_package_errors(PyObject* malformed_trie, PyObject* index_file, PyObject* reasons) {
    if (!PyType_Check(malformed_trie) || !PyType_Check(index_file) || !PyTuple_Check(reasons) ||
        PyTuple_GET_SIZE(reasons) != static_cast<Py_ssize_t>(kIndexReasonNames.size()))
        throw_error(PyExc_TypeError, "register_package_errors takes two exception types and a "
                                     "tuple of one reason for each native one");
    auto kept = std::make_unique<Registered>();
    kept->malformed_trie = PyRef::borrow(malformed_trie);
    kept->index_file = PyRef::borrow(index_file);
    for (std::size_t i = 0; i < kIndexReasonNames.size(); ++i)
        kept->reasons[i] = PyRef::borrow(PyTuple_GET_ITEM(reasons, static_cast<Py_ssize_t>(i)));
    delete std::exchange(registered, kept.release());
}

void throw_package_error(PackageError type, const std::string& message, IndexReason reason) {
    const Registered& errors = package_errors();
    PyRef text = owned(PyUnicode_FromStringAndSize(message.data(),
                                                   static_cast<Py_ssize_t>(message.size())));
    PyRef error;
    if (type == PackageError::index_file) {
        PyObject* why = errors.reasons[static_cast<std::size_t>(reason)].get();
        error = owned(PyObject_CallFunctionObjArgs(errors.index_file.get(), text.get(), why,
                                                   nullptr));
    } else {
        error = owned(PyObject_CallOneArg(errors.malformed_trie.get(), text.get()));
    }
    throw PyErrorValue::normalized(std::move(error));
}

}  // namespace brindlemap
