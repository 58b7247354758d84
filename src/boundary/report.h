// The standard-error report of internal failures, written as each failure is raised, and the
// module's one writer to file descriptor 2.
#pragma once

#include <source_location>
#include <string_view>

namespace brindlemap {

// Writes `text` to file descriptor 2 directly, past Python's sys.stderr; gives up quietly when
// it is closed.
void write_stderr(std::string_view text) noexcept;

// Writes the report of one failure: its thread, place and message, then the backtrace or the
// one-time hint that the BRINDLEMAP_BACKTRACE setting asks for.
void report_failure(std::string_view message, const std::source_location& where) noexcept;

// From now on, every internal failure writes its report as it is raised.
void report_failures() noexcept;

// Marks the current thread as handling a failure; a failure reported meanwhile gets a full
// backtrace, since it is a failure inside failure handling.
class FailureHandlingScope {
  public:
    FailureHandlingScope() noexcept;
    ~FailureHandlingScope();
    FailureHandlingScope(const FailureHandlingScope&) = delete;
    FailureHandlingScope& operator=(const FailureHandlingScope&) = delete;
};

}  // namespace brindlemap
