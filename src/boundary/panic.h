// Internal failures: a failed internal check abandons the operation by throwing InternalFailure.
// Plain C++ with no Python in it, so the trie, matcher and codec can raise failures natively;
// the standard-error report is written where the failure is raised, the boundary guard
// turns the exception into PanicException.
#pragma once

#include <cstddef>
#include <exception>
#include <source_location>
#include <string>
#include <string_view>

namespace brindlemap {

class InternalFailure : public std::exception {
  public:
    InternalFailure(std::string message, std::source_location where)
        : message_(std::move(message)), where_(where) {}

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    const std::source_location& where() const noexcept { return where_; }

  private:
    std::string message_;
    std::source_location where_;
};

// Writes the standard-error report for `message` and throws InternalFailure.
[[noreturn]] void panic(std::string message,
                        std::source_location where = std::source_location::current());

// Throws InternalFailure without a report: used when a PanicException raised by Python code
// is carried on, its traceback having been printed instead.
[[noreturn]] void resume_panic(std::string message,
                               std::source_location where = std::source_location::current());

[[noreturn]] void panic_index_out_of_bounds(
    std::size_t len, std::size_t index,
    std::source_location where = std::source_location::current());

[[noreturn]] void panic_unwrap_none(std::source_location where = std::source_location::current());

[[noreturn]] void panic_unwrap_err(std::string_view error,
                                   std::source_location where = std::source_location::current());

[[noreturn]] void panic_capacity_overflow(
    std::source_location where = std::source_location::current());

// Writes the report only, for a failure found where nothing can be thrown (the boundary trap).
void report_failure(std::string_view message, const std::source_location& where) noexcept;

// Marks the current thread as handling a failure; a failure reported meanwhile gets a full
// backtrace, since it is a failure inside failure handling.
class FailureHandlingScope {
  public:
    FailureHandlingScope() noexcept;
    ~FailureHandlingScope();
    FailureHandlingScope(const FailureHandlingScope&) = delete;
    FailureHandlingScope& operator=(const FailureHandlingScope&) = delete;
};

// Checked index read: the failure every array read of the trie shares.
template <class Array>
inline decltype(auto) at_or_panic(const Array& array, std::size_t index,
                                  std::source_location where = std::source_location::current()) {
    if (index >= array.size()) panic_index_out_of_bounds(array.size(), index, where);
    return array[index];
}

}  // namespace brindlemap
