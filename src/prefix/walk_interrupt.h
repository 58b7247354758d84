// Lets whoever started a long walk end it: the walk charges the work it does, and every so often
// a poll supplied by the caller runs. A poll that wants the walk ended throws, which unwinds the
// walk and releases everything it holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brindlemap {

class WalkInterrupt {
  public:
    using Poll = void (*)(void* context);

    // About a millisecond of walking between polls: row entries and listed children count one
    // unit each.
    static constexpr std::int64_t kInterval = std::int64_t{1} << 18;

    // Never polls.
    WalkInterrupt() noexcept = default;
    WalkInterrupt(Poll poll, void* context) noexcept : poll_(poll), context_(context) {}

    void charge(std::size_t work) {
        remaining_ -= static_cast<std::int64_t>(work);
        if (remaining_ < 0) [[unlikely]] {
            remaining_ = kInterval;
            if (poll_ != nullptr) poll_(context_);
        }
    }

  private:
    Poll poll_ = nullptr;
    void* context_ = nullptr;
    std::int64_t remaining_ = kInterval;
};

}  // namespace brindlemap
