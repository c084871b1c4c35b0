#include "h1_channel.h"

#include "byte_order.h"
#include "cotp_frames.h"
#include "engine.h"
#include "h1_frames.h"
#include "tables.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <sys/resource.h>
#include <unistd.h>

namespace ferrolink
{
namespace
{
constexpr uint8_t kLowestHandledCode = 0x60;
constexpr int kAboveNormalNice = -1;

bool IsH1Connection(const Connection &c, int channel)
{
    return c.in_use && c.channel == channel && c.state != kStateClosed && c.link &&
           c.link->Kind() == Framing::H1;
}
} // namespace

H1Channel::H1Channel(Tables &tables, int index, std::shared_ptr<PacketDevice> device)
    : tables_(tables), index_(index), device_(std::move(device))
{
}

H1Channel::~H1Channel()
{
    Stop();
}

bool H1Channel::Start()
{
    running_ = true;
    try {
        for (int i = 0; i < kReceiverThreads; ++i) {
            threads_.emplace_back([this] { Receive(); });
        }
        threads_.emplace_back([this] { Tick(); });
    } catch (...) {
        Stop();
        return false;
    }
    return true;
}

void H1Channel::Stop()
{
    {
        std::lock_guard guard(lock_);
        running_ = false;
    }
    wake_.notify_all();
    device_->Close(); // a read in progress ends at once
    for (std::thread &t : threads_) {
        if (t.joinable()) {
            t.join();
        }
    }
    threads_.clear();
}

void H1Channel::RaisePriority()
{
    // Above normal where the process may do so; without the privilege the threads run as they are.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kAboveNormalNice);
}

void H1Channel::Receive()
{
    ++thread_count_;
    RaisePriority();
    std::array<uint8_t, kMaxFrame> buffer{};
    while (running_) {
        try {
            long got = device_->ReadFrame(buffer, kReadTimeoutMs);
            if (got < 0) {
                break;
            }
            if (got > 0) {
                DispatchH1Frame(tables_, index_,
                                std::span<const uint8_t>(buffer.data(), static_cast<size_t>(got)));
            }
        } catch (...) {
            // A frame that could not be handled is dropped; the thread goes on.
        }
    }
    --thread_count_;
}

void H1Channel::Tick()
{
    ++thread_count_;
    RaisePriority();
    while (true) {
        {
            std::unique_lock guard(lock_);
            wake_.wait_for(guard, std::chrono::milliseconds(kTimerPeriodMs), [this] { return !running_; });
            if (!running_) {
                break;
            }
        }
        try {
            StepH1Channel(tables_, index_);
        } catch (...) {
        }
    }
    --thread_count_;
}

void DispatchH1Frame(Tables &tables, int channel, std::span<const uint8_t> frame)
{
    auto unit = H1FrameUnit(frame);
    if (!unit || unit->size() < static_cast<size_t>(kUnitSourceRef) ||
        (*unit)[kUnitCode] < kLowestHandledCode) {
        return;
    }
    uint16_t ref = Get16Le(&(*unit)[kUnitDestinationRef]);
    MacAddress source;
    std::copy_n(frame.begin() + kFrameSource, source.size(), source.begin());
    for (Connection &c : tables.connections) {
        std::lock_guard guard(c.lock);
        // Only the controller the connection was made for may speak on it.
        if (IsH1Connection(c, channel) && c.local_ref == ref && c.remote_address == source) {
            DispatchUnit(c, *unit);
            return;
        }
    }
}

void StepH1Channel(Tables &tables, int channel)
{
    for (Connection &c : tables.connections) {
        std::lock_guard guard(c.lock);
        if (IsH1Connection(c, channel)) {
            EngineStep(c);
        }
    }
}

} // namespace ferrolink
