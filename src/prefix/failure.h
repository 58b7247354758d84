// Internal failures: a failed check abandons the operation by throwing InternalFailure, which
// carries the message and the place of the check. Plain C++, so the trie, the walks and the
// codec fail alike wherever they run; the code that embeds them chooses what else happens as a
// failure is raised (the extension reports it on standard error, the fuzz targets do not).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <source_location>
#include <string>
#include <string_view>

namespace brindlemap {

// What a failure says happened, for the code that turns it into an error of its own: only
// `internal` is a fault of this code (or of arrays given to it); the others describe bytes
// that no writer of a trie makes.
enum class FailureKind : std::uint8_t {
    internal,
    bytes_end_early,  // the bytes end before the trie does
    bytes_invalid,    // an integer type, a tag or a character that no writer makes
};

class InternalFailure : public std::exception {
  public:
    InternalFailure(std::string message, std::source_location where,
                    FailureKind kind = FailureKind::internal, std::size_t detail_from = 0)
        : message_(std::move(message)), where_(where), kind_(kind), detail_from_(detail_from) {}

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    const std::source_location& where() const noexcept { return where_; }
    FailureKind kind() const noexcept { return kind_; }
    // The message without what it wraps the failure in: an error's own text.
    std::string_view detail() const noexcept {
        return std::string_view(message_).substr(detail_from_);
    }

  private:
    std::string message_;
    std::source_location where_;
    FailureKind kind_;
    std::size_t detail_from_;
};

// Called with every failure that panic raises, before it is thrown.
using FailureObserver = void (*)(std::string_view message,
                                 const std::source_location& where) noexcept;

// Sets the observer of every later failure; none is set at first.
void observe_failures(FailureObserver observer) noexcept;

// While one lives, the failures raised on its thread are thrown without being shown to the
// observer: for a caller that turns them into an ordinary error of its own, which nobody needs
// to see reported twice.
class UnobservedFailures {
  public:
    UnobservedFailures() noexcept;
    ~UnobservedFailures();
    UnobservedFailures(const UnobservedFailures&) = delete;
    UnobservedFailures& operator=(const UnobservedFailures&) = delete;
};

// What the message of panic_unwrap_err puts before the error's own text.
inline constexpr std::string_view kUnwrapErrPrefix = "called `Result::unwrap()` on an `Err` value: ";

// Shows the failure to the observer and throws InternalFailure.
[[noreturn]] void panic(std::string message,
                        std::source_location where = std::source_location::current(),
                        FailureKind kind = FailureKind::internal, std::size_t detail_from = 0);

// Throws InternalFailure without showing it: for a failure carried on from elsewhere, which
// was shown where it began.
[[noreturn]] void resume_panic(std::string message,
                               std::source_location where = std::source_location::current());

[[noreturn]] void panic_index_out_of_bounds(
    std::size_t len, std::size_t index,
    std::source_location where = std::source_location::current());

[[noreturn]] void panic_unwrap_none(std::source_location where = std::source_location::current());

// `kind` says what the error describes.
[[noreturn]] void panic_unwrap_err(std::string_view error, FailureKind kind,
                                   std::source_location where = std::source_location::current());

[[noreturn]] void panic_capacity_overflow(
    std::source_location where = std::source_location::current());

// Checked index read: the failure every array read of the trie shares.
template <class Array>
inline decltype(auto) at_or_panic(const Array& array, std::size_t index,
                                  std::source_location where = std::source_location::current()) {
    if (index >= array.size()) panic_index_out_of_bounds(array.size(), index, where);
    return array[index];
}

}  // namespace brindlemap
