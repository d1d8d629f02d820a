// Polling for what a program under test is to do in its own time.
#pragma once

#include <chrono>
#include <thread>

namespace quadrelume::testing {

// Checks `done` every 20 ms until it holds or `seconds` have passed; gives
// whether it holds.
template <typename Done>
bool waitFor(Done done, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace quadrelume::testing
