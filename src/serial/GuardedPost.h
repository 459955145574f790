#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "serial/Comms.h"

// Posts action(target, generation) to the user-interface thread, where it runs only while the
// owner's generation count (counted up by every open and close) is still the one the thread was
// started with and the owner still exists: nothing a watcher or reader thread posted for a port
// runs after that port was closed, reopened or destroyed.
template <typename Target, typename Action>
void PostWhileCurrent(const UiPost& post, Target* target, const std::weak_ptr<std::uint64_t>& token,
                      std::uint64_t generation, Action action) {
    post([target, token, generation, action = std::move(action)] {
        const auto current = token.lock();
        if (current && *current == generation) {
            action(*target, generation);
        }
    });
}
