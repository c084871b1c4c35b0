// The engine's side of the message ring: alarms always find room, learn messages are merged and
// limited, and the reader is told how many messages were dropped.
#include "driver/message_ring.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{

using Entries = std::vector<std::pair<uint16_t, std::string>>;

// One control block per test: the writer's counts belong to the block they were made on.
template <int N> uint8_t *Block()
{
    alignas(8) static uint8_t block[nio::kControlBlockSize];
    std::memset(block, 0, sizeof block);
    return block;
}

// What a reader takes: every unread entry, in order.
Entries Take(uint8_t *block)
{
    Entries out;
    uint32_t read = nio::LoadField32(block, nio::kCbMsgRead);
    while (read != nio::LoadField32(block, nio::kCbMsgWrite)) {
        const uint8_t *entry = block + nio::kCbMessages + nio::kMessageSize * read;
        out.emplace_back(static_cast<uint16_t>(entry[0] | entry[1] << 8),
                         std::string(reinterpret_cast<const char *>(entry + nio::kMsgText)));
        read = (read + 1) % nio::kMessageCount;
        nio::StoreField32(block, nio::kCbMsgRead, read);
    }
    return out;
}

TEST(MessageRing, TracesStopShortOfTheAlarmsRoomAndTheReaderIsToldWhatWasDropped)
{
    uint8_t *block = Block<1>();
    const uint32_t traces = nio::kMessageCount - 1 - spoll::kAlarmReserve;
    for (uint32_t i = 0; i < traces; ++i)
        ASSERT_TRUE(spoll::PostDriverMessage(block, 39, "trace " + std::to_string(i)));
    EXPECT_FALSE(spoll::PostDriverMessage(block, 39, "a trace too many"));
    EXPECT_FALSE(spoll::PostDriverMessage(block, 23, "information too"));
    // The alarms' room: the ring fills up to its 63 entries, the first alarm after the note.
    EXPECT_TRUE(spoll::PostDriverMessage(block, 70, "PLC1 connection lost to 10.0.0.1"));
    for (uint32_t i = 0; i < spoll::kAlarmReserve - 2; ++i)
        ASSERT_TRUE(spoll::PostDriverMessage(block, 70, "alarm " + std::to_string(i))) << i;
    EXPECT_FALSE(spoll::PostDriverMessage(block, 70, "an alarm too many"));

    Entries got = Take(block);
    ASSERT_EQ(got.size(), nio::kMessageCount - 1);
    EXPECT_EQ(got[traces], (std::pair<uint16_t, std::string>{80, "2 messages dropped"}));
    EXPECT_EQ(got[traces + 1], (std::pair<uint16_t, std::string>{70, "PLC1 connection lost to 10.0.0.1"}));
    // Room again: the one alarm that found none is counted before the next message.
    EXPECT_TRUE(spoll::PostDriverMessage(block, 39, "next"));
    EXPECT_EQ(Take(block), (Entries{{80, "1 messages dropped"}, {39, "next"}}));
    spoll::PostDroppedNote(block);
    EXPECT_TRUE(Take(block).empty()) << "nothing owed, nothing told";
}

TEST(MessageRing, ALearnMessageIsMergedWithTheSameOneWhileItIsUnread)
{
    uint8_t *block = Block<2>();
    EXPECT_TRUE(spoll::PostLearnMessage(block, "NIO-*LEARN-PLC1:MW50"));
    EXPECT_TRUE(spoll::PostLearnMessage(block, "NIO-*LEARN-plc1:mw50"));
    EXPECT_TRUE(spoll::PostLearnMessage(block, "NIO-*LEARN-PLC1:MW52"));
    EXPECT_TRUE(spoll::PostLearnMessage(block, "NIO-*LEARN-PLC1:MW50"));
    EXPECT_EQ(Take(block), (Entries{{39, "NIO-*LEARN-PLC1:MW50"}, {39, "NIO-*LEARN-PLC1:MW52"}}));
    // Read: the same address is offered again.
    EXPECT_TRUE(spoll::PostLearnMessage(block, "NIO-*LEARN-PLC1:MW50"));
    EXPECT_EQ(Take(block), (Entries{{39, "NIO-*LEARN-PLC1:MW50"}}));
}

TEST(MessageRing, AtMostTenLearnMessagesASecondAndTheRestAreCounted)
{
    uint8_t *block = Block<3>();
    int posted = 0;
    for (int i = 0; i < 25; ++i)
        posted += spoll::PostLearnMessage(block, "NIO-*LEARN-PLC1:MW" + std::to_string(100 + 2 * i));
    EXPECT_EQ(posted, spoll::kMostLearnPerSecond);
    EXPECT_EQ(Take(block).size(), static_cast<size_t>(spoll::kMostLearnPerSecond));
    spoll::PostDroppedNote(block);
    EXPECT_EQ(Take(block), (Entries{{80, "15 messages dropped"}}));
}

} // namespace
