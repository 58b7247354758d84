// The value converters and the wording of their failures.
#include "boundary/convert.h"

#include "prefix/failure.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

[[noreturn]] void out_of_range() {
    throw_error(PyExc_OverflowError, "out of range integral type conversion attempted");
}

long as_long(PyObject* object) {
    long value = PyLong_AsLong(object);
    if (value == -1 && PyErr_Occurred()) throw_pending();
    return value;
}

}  // namespace

namespace convert_detail {

bool is_str(PyObject* object) noexcept {
    return PyType_HasFeature(Py_TYPE(object), Py_TPFLAGS_UNICODE_SUBCLASS);
}

void refuse_str() {
    throw_error(PyExc_TypeError, "Can't extract `str` to `Vec`");
}

Py_ssize_t sequence_size_hint(PyObject* object) {
    Py_ssize_t size = PySequence_Size(object);
    if (size >= 0) return size;
    drop_pending();
    return 0;
}

}  // namespace convert_detail

void throw_type_mismatch(PyObject* object, std::string_view target) {
    const std::string type_name = utf8_of(PyRef::steal(PyType_GetQualName(Py_TYPE(object))))
                                      .value_or("<failed to extract type name>");
    throw_error(PyExc_TypeError,
                "'" + type_name + "' object cannot be converted to '" + std::string(target) + "'");
}

std::string_view text_view(PyObject* object) {
    if (!convert_detail::is_str(object)) throw_type_mismatch(object, "PyString");
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) throw_pending();
    return std::string_view(utf8, static_cast<std::size_t>(size));
}

std::uint8_t extract_u8(PyObject* object) {
    long value = as_long(object);
    if (value < 0 || value > 0xFF) out_of_range();
    return static_cast<std::uint8_t>(value);
}

std::uint32_t extract_u32(PyObject* object) {
    // A small exact int holds its value in place: read it without the general conversion,
    // which would give the same value. Trie arrays are millions of these.
    auto* integer = reinterpret_cast<PyLongObject*>(object);
    const long value = PyLong_CheckExact(object) && PyUnstable_Long_IsCompact(integer)
                           ? static_cast<long>(PyUnstable_Long_CompactValue(integer))
                           : as_long(object);
    if (value < 0 || value > 0xFFFFFFFFL) out_of_range();
    return static_cast<std::uint32_t>(value);
}

std::uint64_t extract_u64(PyObject* object) {
    unsigned long long value;
    if (PyType_HasFeature(Py_TYPE(object), Py_TPFLAGS_LONG_SUBCLASS)) {
        value = PyLong_AsUnsignedLongLong(object);
    } else {
        PyRef index = owned(PyNumber_Index(object));
        value = PyLong_AsUnsignedLongLong(index.get());
    }
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) throw_pending();
    return value;
}

std::uint64_t extract_count(PyObject* object, std::string_view name, Above above) {
    PyRef integer = owned(PyNumber_Index(object));
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(integer.get(), &overflow);
    if (value == -1 && overflow == 0 && PyErr_Occurred()) throw_pending();
    if (overflow < 0 || (overflow == 0 && value < 0))
        throw_error(PyExc_ValueError, std::string(name) + " must not be negative, not " +
                                          repr_or(integer.get(), "?"));
    if (overflow == 0) return static_cast<std::uint64_t>(value);
    const unsigned long long large = PyLong_AsUnsignedLongLong(integer.get());
    if (large != static_cast<unsigned long long>(-1) || !PyErr_Occurred()) return large;
    drop_pending();  // beyond 64 bits
    if (above == Above::saturate) return UINT64_MAX;
    throw_error(PyExc_ValueError, std::string(name) +
                                      " must be at most 18446744073709551615, not " +
                                      repr_or(integer.get(), "?"));
}

PyErrorValue argument_extraction_error(std::string_view name, const PyErrorValue& error) {
    if (error.type() != PyExc_TypeError) return error;
    PyRef original = error.exception();
    std::string message = "argument '" + std::string(name) + "': " + display_text(original.get());
    PyRef text =
        owned(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    PyRef wrapped = owned(PyObject_CallOneArg(PyExc_TypeError, text.get()));
    PyException_SetCause(wrapped.get(), PyException_GetCause(original.get()));
    return PyErrorValue::normalized(std::move(wrapped));
}

PyRef result_object(PyObject* created) {
    if (created != nullptr) return PyRef::steal(created);
    if (PyErr_ExceptionMatches(PyExc_MemoryError)) throw_pending();
    PyErr_Print();
    panic("Python API call failed");
}

PyRef py_char(char32_t c) {
    char buffer[4];
    return result_object(
        PyUnicode_FromStringAndSize(buffer, static_cast<Py_ssize_t>(utf8::encode(c, buffer))));
}

}  // namespace brindlemap
