// Raising internal failures, with their messages.
#include "prefix/failure.h"

#include <atomic>

namespace brindlemap {
namespace {

std::atomic<FailureObserver> observer{nullptr};
thread_local int unobserved_scopes = 0;

}  // namespace

void observe_failures(FailureObserver new_observer) noexcept {
    observer.store(new_observer);
}

UnobservedFailures::UnobservedFailures() noexcept {
    ++unobserved_scopes;
}
UnobservedFailures::~UnobservedFailures() {
    --unobserved_scopes;
}

void panic(std::string message, std::source_location where, FailureKind kind,
           std::size_t detail_from) {
    if (const FailureObserver show = observer.load(); show != nullptr && unobserved_scopes == 0)
        show(message, where);
    throw InternalFailure(std::move(message), where, kind, detail_from);
}

void resume_panic(std::string message, std::source_location where) {
    throw InternalFailure(std::move(message), where);
}

void panic_index_out_of_bounds(std::size_t len, std::size_t index, std::source_location where) {
    panic("index out of bounds: the len is " + std::to_string(len) + " but the index is " +
              std::to_string(index),
          where);
}

void panic_unwrap_none(std::source_location where) {
    panic("called `Option::unwrap()` on a `None` value", where);
}

void panic_unwrap_err(std::string_view error, FailureKind kind, std::source_location where) {
    std::string message(kUnwrapErrPrefix);
    message += error;
    panic(std::move(message), where, kind, kUnwrapErrPrefix.size());
}

void panic_capacity_overflow(std::source_location where) {
    panic("capacity overflow", where);
}

}  // namespace brindlemap
