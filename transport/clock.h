// The library's sense of time: a millisecond tick count and a sleep. Tests install a manual clock
// so that timer-driven behaviour runs without waiting.
#pragma once

#include <cstdint>

namespace ferrolink
{

class Clock
{
public:
    virtual ~Clock() = default;
    virtual uint32_t TickMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

// The clock in use; the steady system clock unless a test installed another.
Clock &CurrentClock();
// Installs a clock (nullptr restores the system clock). The caller keeps ownership.
void SetClock(Clock *clock);

} // namespace ferrolink
