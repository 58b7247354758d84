// Raising, fetching and rendering error values, and the PanicException type.
#include "boundary/error.h"

#include "boundary/report.h"
#include "prefix/failure.h"

namespace brindlemap {
namespace {

constexpr const char* kPanicDoc =
    "\n"
    "The exception raised when native code called from Python fails.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that\n"
    "it will typically propagate all the way through the stack and cause the\n"
    "Python interpreter to exit.\n";

PyObject* panic_type = nullptr;  // written once, with the GIL held

// A PanicException that Python code raised while the module called it: the failure goes on
// with the same message.
[[noreturn]] void resume_fetched_panic(PyRef exception) {
    std::string message = utf8_of(PyRef::steal(PyObject_Str(exception.get())))
                              .value_or("Unwrapped panic from Python code");
    write_stderr(
        "--- brindlemap is resuming an internal failure after fetching a PanicException from "
        "Python. ---\nPython stack trace below:\n");
    PyErr_SetRaisedException(exception.release());
    PyErr_PrintEx(0);
    resume_panic(std::move(message));
}

// The pending exception, or an empty handle; a fetched PanicException never returns. No
// exception can be one before the type exists, so the check does not make it.
PyRef take_pending() {
    PyRef exception = PyRef::steal(PyErr_GetRaisedException());
    if (exception && panic_type != nullptr &&
        Py_TYPE(exception.get()) == reinterpret_cast<PyTypeObject*>(panic_type))
        resume_fetched_panic(std::move(exception));
    return exception;
}

}  // namespace

std::string repr_or(PyObject* object, std::string_view fallback) {
    if (object == nullptr) return "None";
    return utf8_of(PyRef::steal(PyObject_Repr(object))).value_or(std::string(fallback));
}

PyRef owned(PyObject* result) {
    if (result == nullptr) throw_pending();
    return PyRef::steal(result);
}

std::optional<std::string> utf8_of(PyRef text) {
    if (text) {
        Py_ssize_t size = 0;
        if (const char* utf8 = PyUnicode_AsUTF8AndSize(text.get(), &size))
            return std::string(utf8, static_cast<std::size_t>(size));
    }
    drop_pending();
    return std::nullopt;
}

void PyErrorValue::restore() const {
    if (exception_) {
        PyErr_SetRaisedException(PyRef(exception_).release());
        return;
    }
    PyRef text = PyRef::steal(
        PyUnicode_FromStringAndSize(message_.data(), static_cast<Py_ssize_t>(message_.size())));
    if (text) PyErr_SetObject(type_.get(), text.get());
}

PyRef PyErrorValue::exception() const {
    if (exception_) return exception_;
    restore();
    return PyRef::steal(PyErr_GetRaisedException());
}

PyObject* PyErrorValue::type() const noexcept {
    return exception_ ? reinterpret_cast<PyObject*>(Py_TYPE(exception_.get())) : type_.get();
}

std::string display_text(PyObject* object) {
    PyRef text = PyRef::steal(PyObject_Str(object));
    if (!text) {
        PyErr_WriteUnraisable(object);
        const std::optional<std::string> name =
            utf8_of(PyRef::steal(PyType_GetName(Py_TYPE(object))));
        return name ? "<unprintable " + *name + " object>" : "<unprintable object>";
    }
    if (std::optional<std::string> utf8 = utf8_of(text)) return *utf8;
    // Lone surrogates have no UTF-8: they are shown replaced.
    PyRef raw = PyRef::steal(PyUnicode_AsEncodedString(text.get(), "utf-8", "surrogatepass"));
    if (!raw) {
        drop_pending();
        return "<unprintable object>";
    }
    return utf8_of(PyRef::steal(PyUnicode_DecodeUTF8(PyBytes_AS_STRING(raw.get()),
                                                     PyBytes_GET_SIZE(raw.get()), "replace")))
        .value_or("<unprintable object>");
}

PyErrorValue fetch_pending() {
    if (PyRef exception = take_pending()) return PyErrorValue::normalized(std::move(exception));
    return PyErrorValue::lazy(PyExc_SystemError, "attempted to fetch exception but none was set");
}

void drop_pending() {
    take_pending();
}

std::string debug_rendering(const PyErrorValue& error) {
    PyRef exception = error.exception();
    PyRef traceback;
    if (exception) traceback = PyRef::steal(PyException_GetTraceback(exception.get()));
    return "PyErr { type: " + repr_or(error.type(), "<unknown>") +
           ", value: " + repr_or(exception.get(), "<unknown>") +
           ", traceback: " + repr_or(traceback.get(), "<unknown>") + " }";
}

PyObject* panic_exception_type() {
    if (panic_type != nullptr) return panic_type;
    PyObject* created = PyErr_NewExceptionWithDoc("pyo3_runtime.PanicException", kPanicDoc,
                                                  PyExc_BaseException, nullptr);
    if (created == nullptr) {
        PyErrorValue error = PyErrorValue::normalized(PyRef::steal(PyErr_GetRaisedException()));
        panic("Failed to initialize new exception type.: " + debug_rendering(error));
    }
    if (panic_type == nullptr)
        panic_type = created;  // kept for the life of the process
    else
        Py_DECREF(created);
    return panic_type;
}

void raise_panic(const std::string& message) {
    PyErrorValue::lazy(panic_exception_type(), message).restore();
}

}  // namespace brindlemap
