// The States of one walk, handed out by handle and recycled when their nodes are released, so
// that a walk stops allocating once its deepest branch has been reached.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "prefix/trie/state.h"

namespace brindlemap {

using StateHandle = std::uint32_t;

class StatePool {
  public:
    // A State with no entries, a recycled one when any is free.
    StateHandle acquire() {
        if (!free_.empty()) {
            StateHandle handle = free_.back();
            free_.pop_back();
            return handle;
        }
        return adopt(State());
    }

    StateHandle adopt(State&& state) {
        // Each State lives in its own box: references stay valid while the pool grows.
        states_.push_back(std::make_unique<State>(std::move(state)));
        return static_cast<StateHandle>(states_.size() - 1);
    }

    State& operator[](StateHandle handle) noexcept { return *states_[handle]; }

    // Releases the State's keys and values; its storage waits for the next acquire.
    void release(StateHandle handle) {
        states_[handle]->clear();
        free_.push_back(handle);
    }

  private:
    std::vector<std::unique_ptr<State>> states_;
    std::vector<StateHandle> free_;
};

}  // namespace brindlemap
