// The standard-error report of internal failures.
#include "boundary/report.h"

#include <execinfo.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>

#include "prefix/failure.h"

namespace brindlemap {
namespace {

constexpr const char* kBacktraceVariable = "BRINDLEMAP_BACKTRACE";

enum class BacktraceStyle { off, short_form, full };

// Read once, at the first report; later changes to the environment are not seen.
BacktraceStyle backtrace_style() {
    static const BacktraceStyle style = [] {
        const char* value = std::getenv(kBacktraceVariable);
        if (value == nullptr || std::string_view(value) == "0") return BacktraceStyle::off;
        if (std::string_view(value) == "full") return BacktraceStyle::full;
        return BacktraceStyle::short_form;
    }();
    return style;
}

std::mutex& report_mutex() {
    static std::mutex mutex;
    return mutex;
}

std::atomic<bool> hint_written{false};
thread_local int failures_being_handled = 0;

// Source paths relative to the project root, so reports do not depend on the build machine.
std::string_view project_relative(std::string_view path) {
    std::size_t at = path.rfind("/src/");
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

void write_backtrace(BacktraceStyle style) noexcept {
    constexpr int kMaxFrames = 128;
    constexpr int kShortFrames = 16;
    constexpr int kReportFrames = 2;  // this function and report_failure itself
    void* frames[kMaxFrames];
    int count = ::backtrace(frames, kMaxFrames);
    int shown = count - kReportFrames;
    if (shown <= 0) return;
    if (style == BacktraceStyle::short_form && shown > kShortFrames) shown = kShortFrames;
    write_stderr("stack backtrace:\n");
    ::backtrace_symbols_fd(frames + kReportFrames, shown, 2);
    if (style == BacktraceStyle::short_form)
        write_stderr(
            "note: some details are omitted, set BRINDLEMAP_BACKTRACE=full for a verbose "
            "backtrace.\n");
}

}  // namespace

void write_stderr(std::string_view text) noexcept {
    while (!text.empty()) {
        ssize_t written = ::write(2, text.data(), text.size());
        if (written <= 0) return;  // nothing sensible to do when stderr is gone
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void report_failure(std::string_view message, const std::source_location& where) noexcept {
    try {
        std::string text = "\nthread '<unnamed>' panicked at ";
        text += project_relative(where.file_name());
        text += ':';
        text += std::to_string(where.line());
        text += ':';
        text += std::to_string(where.column());
        text += ":\n";
        text += message;
        text += '\n';
        BacktraceStyle style =
            failures_being_handled > 0 ? BacktraceStyle::full : backtrace_style();
        std::lock_guard<std::mutex> lock(report_mutex());
        write_stderr(text);
        if (style != BacktraceStyle::off) {
            write_backtrace(style);
        } else if (!hint_written.exchange(true)) {
            write_stderr(
                "note: run with `BRINDLEMAP_BACKTRACE=1` environment variable to display a "
                "backtrace\n");
        }
    } catch (const std::exception&) {
        // Building the text allocates. Nothing here catches everything: a thread's forced
        // unwind (prefix/forced_unwind.h) is never one to swallow.
        write_stderr("\ninternal failure (its report could not be built)\n");
    }
}

void report_failures() noexcept {
    observe_failures(report_failure);
}

FailureHandlingScope::FailureHandlingScope() noexcept {
    ++failures_being_handled;
}
FailureHandlingScope::~FailureHandlingScope() {
    --failures_being_handled;
}

}  // namespace brindlemap
