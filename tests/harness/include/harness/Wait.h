// Bounded waits for what other threads (the SDK's, the driver's, a timer's) bring about.
#pragma once

#include <chrono>
#include <thread>

namespace tarnix::test {

// Generous: the sanitizer builds and Wine are slow, and a wait that ends early costs nothing.
// A correct program never gets near it.
constexpr std::chrono::seconds kWaitLimit{30};

// Polls pred until it holds (true) or the limit runs out (false).
template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::seconds limit = kWaitLimit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace tarnix::test
