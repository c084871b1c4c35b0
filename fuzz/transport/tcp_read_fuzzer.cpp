// Arbitrary byte streams through the TCP reassembly and the dispatcher, into a request block with
// guard bytes on both sides. Input: kind, write flag, read size, capacity, item count, then the
// stream that arrives in reads of that size.
#include "clock.h"
#include "engine.h"
#include "include/ferrolink.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace ferrolink;

namespace
{
constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kSettings = 5;

class StreamLink final : public FrameLink
{
public:
    Framing Kind() const override { return Framing::Tcp; }
    int SendUnit(std::span<const uint8_t>) override { return 0; }
    long Receive(std::span<uint8_t>) override { return 0; }
    bool Connected() const override { return true; }
    void Reconnect() override {}
    void Close() override {}
    int WritableCheck() override { return kSocketWritable; }
};

class StepClock final : public Clock
{
public:
    uint32_t TickMs() override { return now; }
    void SleepMs(uint32_t ms) override { now += ms; }
    uint32_t now = 0;
};

void Put32(uint8_t *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}
void Put16(uint8_t *p, uint16_t v)
{
    std::memcpy(p, &v, 2);
}

void CheckGuards(const std::vector<uint8_t> &memory)
{
    bool intact =
        std::all_of(memory.begin(), memory.begin() + kGuard, [](uint8_t b) { return b == kGuardByte; }) &&
        std::all_of(memory.end() - kGuard, memory.end(), [](uint8_t b) { return b == kGuardByte; });
    if (!intact) {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kSettings) {
        return 0;
    }
    static StepClock clock;
    SetClock(&clock);
    int kind = data[0] % 3;
    bool write = (data[1] & 1) != 0;
    size_t read_size = 1 + data[2] % FL_MAX_FRAME;
    uint32_t capacity = static_cast<uint32_t>(data[3]) * 8;
    uint32_t items = data[4] % 40;

    std::vector<uint8_t> memory(kGuard + FL_RB_DATA +
                                    std::max<size_t>(FL_RB_SLOT_SIZE * FL_MAX_ITEMS, capacity) + kGuard,
                                kGuardByte);
    uint8_t *block = memory.data() + kGuard;
    std::fill(block, memory.data() + memory.size() - kGuard, 0);
    // Only the guard bytes after the block are off limits: the S5 data area ends at the capacity.
    Put32(block + FL_RB_ITEM_COUNT, items);
    Put32(block + FL_RB_CAPACITY, capacity);
    Put32(block + FL_RB_REFERENCE, 1);
    for (uint32_t i = 0; i < FL_MAX_ITEMS; ++i) {
        uint8_t *item = block + FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i;
        Put32(item + FL_RB_ITEM_AREA, 0x84);
        Put16(item + FL_RB_ITEM_DB, 1);
        Put16(item + FL_RB_ITEM_LENGTH, static_cast<uint16_t>(1 + (i * 7) % 64));
    }

    Connection c;
    c.in_use = true;
    c.kind = kind;
    c.link = std::make_unique<StreamLink>();
    c.state = kStateConnected;
    c.send_credit = 1;
    c.last_step_tick = clock.now;
    SubmitRequest(c, RequestBlock(block), write);

    std::span<const uint8_t> stream(data + kSettings, size - kSettings);
    while (!stream.empty()) {
        auto piece = stream.first(std::min(read_size, stream.size()));
        stream = stream.subspan(piece.size());
        c.reassembly.Feed(piece, [&c](std::span<const uint8_t> tpkt) { DispatchUnit(c, tpkt.subspan(4)); });
        clock.now += 700;
        EngineStep(c);
        CheckGuards(memory);
        if (!c.awaiting_answer && !c.request_pending && c.state == kStateConnected) {
            SubmitRequest(c, RequestBlock(block), write);
        }
    }
    SetClock(nullptr);
    return 0;
}
