// Arbitrary frames against live H1 connections: each input sets up three connections (S7, S5, S5
// in the second form) in chosen states with a request in flight, then feeds frames through the H1
// dispatcher with timer steps in between. Request blocks have guard bytes on both sides.
// Input: per connection a state byte and a flags byte, then records of
// [flags][clock step][length high][length low][frame bytes].
#include "clock.h"
#include "engine.h"
#include "h1_channel.h"
#include "h1_link.h"
#include "include/ferrolink.h"
#include "tables.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace ferrolink;

namespace
{
constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xA5;
constexpr int kConnections = 3;
constexpr int kChannel = 0;
const MacAddress kAdapter = {0x02, 0, 0, 0, 0, 1};
const MacAddress kPlc = {0x08, 0x00, 0x06, 0x01, 0x02, 0x03};

class NullDevice final : public PacketDevice
{
public:
    long Control(uint32_t, std::span<const uint8_t>, std::span<uint8_t>) override { return -1; }
    int WriteFrame(std::span<const uint8_t> frame) override { return frame.size() <= kMaxFrame ? 0 : 90; }
    long ReadFrame(std::span<uint8_t>, int) override { return -1; }
    void Close() override {}
};

class StepClock final : public Clock
{
public:
    uint32_t TickMs() override { return now; }
    void SleepMs(uint32_t ms) override { now += ms; }
    uint32_t now = 0;
};

StepClock g_clock;
auto g_device = std::make_shared<NullDevice>();
std::array<std::vector<uint8_t>, kConnections> g_blocks;

void Put32(uint8_t *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}
void Put16(uint8_t *p, uint16_t v)
{
    std::memcpy(p, &v, 2);
}

void CheckGuards()
{
    for (auto &memory : g_blocks) {
        bool intact =
            std::all_of(memory.begin(), memory.begin() + kGuard, [](uint8_t b) { return b == kGuardByte; }) &&
            std::all_of(memory.end() - kGuard, memory.end(), [](uint8_t b) { return b == kGuardByte; });
        if (!intact) {
            std::abort();
        }
    }
}

void SetUpConnection(Tables &t, int index, uint8_t state, uint8_t flags)
{
    auto &memory = g_blocks[index];
    memory.assign(kGuard + FL_RB_S7_BLOCK_SIZE + kGuard, kGuardByte);
    uint8_t *block = memory.data() + kGuard;
    std::fill(block, block + FL_RB_S7_BLOCK_SIZE, 0);
    Put32(block + FL_RB_ITEM_COUNT, 1u + (flags & 0x07u));
    for (int i = 0; i < 8; ++i) {
        uint8_t *item = block + FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i;
        Put32(item, FL_S7_AREA_DB);
        Put16(item + 4, static_cast<uint16_t>(i));
        Put16(item + 8, static_cast<uint16_t>(1 + i * 3));
    }
    Put32(block + FL_RB_CAPACITY, (flags & 0x80) ? 16u : 700u);

    Connection &c = t.connections[index];
    std::lock_guard guard(c.lock);
    c.Clear();
    c.in_use = true;
    c.channel = kChannel;
    c.kind = index; // 0 S5, 1 S7, 2 S5 second form
    c.local_ref = static_cast<uint16_t>(0x0100 + index);
    c.remote_ref = 0x4401;
    c.remote_address = kPlc;
    c.send_credit = (flags & 0x40) ? 0 : 1;
    c.send_number = (flags & 0x20) ? 0x7FFFFFFE : 0;
    c.receive_number = c.send_number;
    c.last_step_tick = g_clock.now;
    c.link = std::make_unique<H1Link>(g_device, kAdapter, kPlc);
    c.state = kStateConnected;
    if (state % 3 != 0) {
        SubmitRequest(c, RequestBlock(block), (flags & 0x08) != 0);
    }
    if (state % 3 == 2) {
        c.state = (state & 0x10) ? kStateAnswerExpected : kStateRequestSent;
    }
    if (state & 0x40) {
        c.state = kStateNotConnected;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SetClock(&g_clock);
    Tables &t = LibraryTables();
    size_t at = 0;
    for (int i = 0; i < kConnections; ++i) {
        uint8_t state = at < size ? data[at++] : 0;
        uint8_t flags = at < size ? data[at++] : 0;
        SetUpConnection(t, i, state, flags);
    }
    std::vector<uint8_t> frame;
    while (at + 4 <= size) {
        uint8_t flags = data[at];
        uint8_t step = data[at + 1];
        size_t length = static_cast<size_t>(data[at + 2] << 8 | data[at + 3]) % (kMaxFrame + 1);
        at += 4;
        length = std::min(length, size - at);
        frame.assign(data + at, data + at + length);
        at += length;
        // Most frames are made to reach a connection: header fields put right, the rest as given.
        if ((flags & 0x01) && frame.size() >= 22) {
            std::copy(kAdapter.begin(), kAdapter.end(), frame.begin());
            std::copy(kPlc.begin(), kPlc.end(), frame.begin() + 6);
            Put16(frame.data() + 12, 0); // set below, big-endian
            size_t unit_length = frame.size() - 14;
            frame[12] = static_cast<uint8_t>(unit_length >> 8);
            frame[13] = static_cast<uint8_t>(unit_length);
            frame[14] = 0xFE;
            frame[15] = 0xFE;
            frame[16] = 0x03;
            frame[20] = static_cast<uint8_t>(0x00 + ((flags >> 1) % kConnections));
            frame[21] = 0x01;
        }
        DispatchH1Frame(t, kChannel, frame);
        CheckGuards();
        if (step != 0) {
            g_clock.now += step * 20u;
            StepH1Channel(t, kChannel);
            CheckGuards();
        }
    }
    for (int i = 0; i < kConnections; ++i) {
        Connection &c = t.connections[i];
        std::lock_guard guard(c.lock);
        c.Clear();
    }
    SetClock(nullptr);
    return 0;
}
