#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vanteo::test {

// Polls `done` every 20 ms until it holds or `seconds` have passed on the wall clock: for the
// tests that wait on another thread or process, never for a time-out under test. False when the
// time ran out.
inline bool WaitFor(const std::function<bool()>& done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace vanteo::test
