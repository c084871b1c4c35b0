// A link that records the units the engine sends, and a clock the test moves by hand.
#pragma once

#include "clock.h"
#include "frame_link.h"

#include <cstdint>
#include <vector>

namespace ferrolink
{

class FakeLink final : public FrameLink
{
public:
    explicit FakeLink(Framing kind = Framing::Tcp) : kind_(kind) {}
    Framing Kind() const override { return kind_; }
    int SendUnit(std::span<const uint8_t> unit) override
    {
        sent.emplace_back(unit.begin(), unit.end());
        return 0;
    }
    long Receive(std::span<uint8_t>) override { return 0; }
    bool Connected() const override { return connected; }
    void Reconnect() override
    {
        ++reconnects;
        connected = true;
    }
    void Close() override { connected = false; }
    int WritableCheck() override { return kSocketWritable; }

    std::vector<std::vector<uint8_t>> sent;
    bool connected = true;
    int reconnects = 0;

private:
    Framing kind_;
};

class ManualClock final : public Clock
{
public:
    ManualClock() { SetClock(this); }
    ~ManualClock() override { SetClock(nullptr); }
    uint32_t TickMs() override { return now; }
    void SleepMs(uint32_t ms) override { now += ms; }
    void Advance(uint32_t ms) { now += ms; }
    uint32_t now = 100000;
};

} // namespace ferrolink
