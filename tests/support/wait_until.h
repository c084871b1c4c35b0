#pragma once
// Polls a condition in real time, for tests that wait on another process.
#include <chrono>
#include <functional>
#include <thread>

namespace kvz::test
{

// True as soon as `done` is; false when it is still not after `timeoutMs` (it is asked once more then).
inline bool WaitUntil(const std::function<bool()> &done, int timeoutMs, int stepMs = 5)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    return done();
}

} // namespace kvz::test
