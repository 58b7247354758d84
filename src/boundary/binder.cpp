// Binding of call arguments, the defaults of those not given, and the words of every binding
// failure.
#include "boundary/binder.h"

#include <vector>

#include "boundary/error.h"
#include "boundary/py_ref.h"

namespace brindlemap {
namespace {

[[noreturn]] void too_many_positional(const FunctionDescription& d, std::size_t given) {
    // A fixed count reads "takes 2 positional arguments", even for one, as it always has.
    std::string takes = std::to_string(d.positional_parameters);
    if (d.required_positional_parameters < d.positional_parameters)
        takes = "from " + std::to_string(d.required_positional_parameters) + " to " + takes;
    throw_error(PyExc_TypeError, d.display_name() + " takes " + takes +
                                     " positional arguments but " + std::to_string(given) +
                                     (given == 1 ? " was given" : " were given"));
}

[[noreturn]] void multiple_values(const FunctionDescription& d, std::string_view name) {
    throw_error(PyExc_TypeError,
                d.display_name() + " got multiple values for argument '" + std::string(name) + "'");
}

[[noreturn]] void unexpected_keyword(const FunctionDescription& d, PyObject* name) {
    throw_error(PyExc_TypeError, d.display_name() + " got an unexpected keyword argument '" +
                                     display_text(name) + "'");
}

[[noreturn]] void missing_positional(const FunctionDescription& d,
                                     std::span<PyObject* const> slots) {
    std::vector<std::string_view> missing;
    for (std::size_t i = 0; i < d.required_positional_parameters; ++i)
        if (slots[i] == nullptr) missing.push_back(d.parameters[i].name);
    throw_error(PyExc_TypeError, d.display_name() + " missing " + std::to_string(missing.size()) +
                                     " required positional " +
                                     (missing.size() == 1 ? "argument" : "arguments") + ": " +
                                     push_parameter_list(missing));
}

}  // namespace

PyRef Default::object() const {
    switch (kind) {
        case Kind::none:
            return PyRef::borrow(Py_None);
        case Kind::integer:
            return owned(PyLong_FromLongLong(integer));
        case Kind::text:
            return owned(
                PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
        case Kind::required:
            break;
    }
    return PyRef();
}

std::string FunctionDescription::display_name() const {
    std::string name;
    if (!class_name.empty()) {
        name += class_name;
        name += '.';
    }
    name += function_name;
    name += "()";
    return name;
}

std::string push_parameter_list(std::span<const std::string_view> names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            if (names.size() > 2) list += ',';
            list += i + 1 == names.size() ? " and " : " ";
        }
        list += '\'';
        list += names[i];
        list += '\'';
    }
    return list;
}

void extract_arguments_fastcall(const FunctionDescription& d, PyObject* const* args,
                                Py_ssize_t nargs, PyObject* kwnames, std::span<PyObject*> slots,
                                std::span<PyRef> defaults) {
    const std::size_t parameters = d.parameters.size();
    const std::size_t given = static_cast<std::size_t>(nargs);
    for (std::size_t i = 0; i < given && i < d.positional_parameters; ++i) slots[i] = args[i];
    if (given > d.positional_parameters) too_many_positional(d, given);

    if (kwnames != nullptr) {
        const Py_ssize_t keywords = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < keywords; ++k) {
            PyObject* name = PyTuple_GET_ITEM(kwnames, k);
            Py_ssize_t size = 0;
            const char* utf8 = PyUnicode_AsUTF8AndSize(name, &size);
            if (utf8 == nullptr) {
                drop_pending();
                unexpected_keyword(d, name);
            }
            const std::string_view text(utf8, static_cast<std::size_t>(size));
            std::size_t match = 0;
            while (match < parameters && d.parameters[match].name != text) ++match;
            if (match == parameters) unexpected_keyword(d, name);
            if (slots[match] != nullptr) multiple_values(d, text);
            slots[match] = args[nargs + k];
        }
    }

    if (given < d.required_positional_parameters) {
        for (std::size_t i = given; i < d.required_positional_parameters; ++i)
            if (slots[i] == nullptr) missing_positional(d, slots);
    }
    for (std::size_t i = d.required_positional_parameters; i < parameters; ++i) {
        if (slots[i] != nullptr) continue;
        defaults[i] = d.parameters[i].value.object();
        slots[i] = defaults[i].get();
    }
}

}  // namespace brindlemap
