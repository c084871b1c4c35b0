#pragma once
// What the peer tests share: the loopback address as the device record holds it (host order), and a
// poll loop that calls TCP_Read until a condition holds.
#include "ferrolink.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace peertest
{

inline constexpr uint32_t kLoopback = 0x7F000001;

// Calls TCP_Read as a poll loop would until `done` or the timeout.
template <typename Done> bool Poll(int connection, Done done, int timeout_ms = 5000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        TCP_Read(connection);
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

} // namespace peertest
