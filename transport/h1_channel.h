// An open H1 channel's threads: three receivers that hand each frame from the packet device to the
// dispatcher, and a timer that steps every connection of the channel every 50 ms.
#pragma once

#include "packet_device.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace ferrolink
{

struct Tables;

constexpr int kReceiverThreads = 3;
constexpr int kTimerPeriodMs = 50;

class H1Channel
{
public:
    H1Channel(Tables &tables, int index, std::shared_ptr<PacketDevice> device);
    ~H1Channel();
    H1Channel(const H1Channel &) = delete;
    H1Channel &operator=(const H1Channel &) = delete;

    // Starts the four threads; false when they could not all be started (then none runs).
    bool Start();
    // Clears the running flag, ends the device's reads and waits until every thread has ended.
    void Stop();
    int ThreadCount() const { return thread_count_.load(); }

private:
    void Receive();
    void Tick();
    void RaisePriority();

    Tables &tables_;
    int index_;
    std::shared_ptr<PacketDevice> device_;
    std::atomic<bool> running_{false};
    std::atomic<int> thread_count_{0};
    std::mutex lock_;
    std::condition_variable wake_;
    std::vector<std::thread> threads_;
};

// A frame read on the channel: checked, then given to the connection its destination reference and
// source address name, under that connection's lock.
void DispatchH1Frame(Tables &tables, int channel, std::span<const uint8_t> frame);
// One timer step of every live connection of the channel.
void StepH1Channel(Tables &tables, int channel);

} // namespace ferrolink
