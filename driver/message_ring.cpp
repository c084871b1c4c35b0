#include "driver/message_ring.h"

#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>

namespace spoll
{
namespace
{

using Clock = std::chrono::steady_clock;

// The engine's writers (pollers, the request port, the engine's own steps) take turns here.
struct Writer {
    std::mutex lock;
    uint8_t *block = nullptr; // the ring the counts below belong to
    uint32_t dropped = 0;
    Clock::time_point learnSecond{};
    int learnedThisSecond = 0;

    void Follow(uint8_t *b)
    {
        if (b == block)
            return;
        block = b;
        dropped = 0;
        learnedThisSecond = 0;
    }
};

Writer &TheWriter()
{
    static Writer writer;
    return writer;
}

uint32_t Index(uint8_t *block, size_t field)
{
    return nio::LoadField32(block, field) % nio::kMessageCount;
}

uint32_t Unread(uint8_t *block)
{
    return (Index(block, nio::kCbMsgWrite) + nio::kMessageCount - Index(block, nio::kCbMsgRead)) %
           nio::kMessageCount;
}

bool Room(uint8_t *block, bool alarm)
{
    uint32_t most = nio::kMessageCount - 1 - (alarm ? 0 : kAlarmReserve);
    return Unread(block) < most;
}

uint8_t *Entry(uint8_t *block, uint32_t index)
{
    return block + nio::kCbMessages + nio::kMessageSize * index;
}

void Put(uint8_t *block, uint16_t code, std::string_view text)
{
    uint32_t write = Index(block, nio::kCbMsgWrite);
    uint8_t *entry = Entry(block, write);
    std::memset(entry, 0, nio::kMessageSize);
    entry[nio::kMsgCode] = static_cast<uint8_t>(code);
    entry[nio::kMsgCode + 1] = static_cast<uint8_t>(code >> 8);
    std::memcpy(entry + nio::kMsgText, text.data(), std::min(text.size(), nio::kMsgTextSize - 1));
    nio::StoreField32(block, nio::kCbMsgWrite, (write + 1) % nio::kMessageCount);
}

// The note goes before anything newer: where a trace would fit, or in the alarms' room together
// with the alarm it comes before (never in the last slot an alarm needs, and never several notes
// into the alarms' room for a flood of traces).
void OweOrPostNote(Writer &w, uint8_t *block, bool beforeAlarm)
{
    if (w.dropped == 0)
        return;
    bool room = beforeAlarm ? Unread(block) + 2 <= nio::kMessageCount - 1 : Room(block, false);
    if (!room)
        return;
    Put(block, kWarningLevel, std::to_string(w.dropped) + " messages dropped");
    w.dropped = 0;
}

bool PostLocked(Writer &w, uint8_t *block, uint16_t code, std::string_view text)
{
    OweOrPostNote(w, block, code == kAlarmLevel);
    if (!Room(block, code == kAlarmLevel)) {
        ++w.dropped;
        return false;
    }
    Put(block, code, text);
    return true;
}

// An unread entry with this code and text (the text compared as the device and address are: case
// aside).
bool HoldsUnread(uint8_t *block, uint16_t code, std::string_view text)
{
    std::string wanted(text);
    for (uint32_t i = Index(block, nio::kCbMsgRead); i != Index(block, nio::kCbMsgWrite);
         i = (i + 1) % nio::kMessageCount) {
        uint8_t *entry = Entry(block, i);
        uint16_t got = static_cast<uint16_t>(entry[nio::kMsgCode] | entry[nio::kMsgCode + 1] << 8);
        const char *entryText = reinterpret_cast<const char *>(entry + nio::kMsgText);
        if (got == code && strnlen(entryText, nio::kMsgTextSize) == wanted.size() &&
            strncasecmp(entryText, wanted.c_str(), wanted.size()) == 0)
            return true;
    }
    return false;
}

} // namespace

bool PostDriverMessage(uint8_t *block, uint16_t code, std::string_view text)
{
    Writer &w = TheWriter();
    std::lock_guard<std::mutex> hold(w.lock);
    w.Follow(block);
    return PostLocked(w, block, code, text);
}

bool PostLearnMessage(uint8_t *block, std::string_view text)
{
    text = text.substr(0, nio::kMsgTextSize - 1); // as the entry holds it
    Writer &w = TheWriter();
    std::lock_guard<std::mutex> hold(w.lock);
    w.Follow(block);
    if (HoldsUnread(block, kLearnLevel, text))
        return true;
    auto now = Clock::now();
    if (now - w.learnSecond >= std::chrono::seconds(1)) {
        w.learnSecond = now;
        w.learnedThisSecond = 0;
    }
    if (w.learnedThisSecond >= kMostLearnPerSecond) {
        ++w.dropped;
        return false;
    }
    ++w.learnedThisSecond;
    return PostLocked(w, block, kLearnLevel, text);
}

void PostDroppedNote(uint8_t *block)
{
    Writer &w = TheWriter();
    std::lock_guard<std::mutex> hold(w.lock);
    w.Follow(block);
    OweOrPostNote(w, block, false);
}

} // namespace spoll
