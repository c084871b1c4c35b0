// A clock moved by hand that threads may read at the same time (the H1 timer thread reads it while
// the test moves it).
#pragma once

#include "clock.h"

#include <atomic>

namespace ferrolink
{

class SharedManualClock final : public Clock
{
public:
    SharedManualClock() { SetClock(this); }
    ~SharedManualClock() override { SetClock(nullptr); }
    uint32_t TickMs() override { return now_.load(); }
    void SleepMs(uint32_t ms) override { now_ += ms; }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    std::atomic<uint32_t> now_{500000};
};

} // namespace ferrolink
