// The message ring: the driver writes, the configurator reads in order and wraps.
#include "driver/message_ring.h"
#include "nio_fixture.h"
#include "niolib/niolib.h"

#include <cstring>

using namespace niotest;

namespace
{

class Ring : public NioTest
{
protected:
    void SetUp() override
    {
        NioTest::SetUp();
        ASSERT_TRUE(driver_.CreateBlock());
        ASSERT_TRUE(driver_.PublishImage(1, BuildImage(SimpleImage()).bytes));
    }
    std::vector<std::pair<uint16_t, std::string>> Drain(int all = 0)
    {
        std::vector<std::pair<uint16_t, std::string>> out;
        const char *text = nullptr;
        uint16_t code = 0;
        while (nio_get_message(&text, &code, all))
            out.emplace_back(code, text);
        return out;
    }
    DriverSide driver_;
};

} // namespace

TEST_F(Ring, AnEmptyRingGivesNothingAndOnlyMarksTheMonitor)
{
    driver_.Set32(nio::kCbMonitorOn, 0);
    const char *text = nullptr;
    uint16_t code = 0;
    EXPECT_EQ(nio_get_message(&text, &code, 0), 0);
    EXPECT_EQ(driver_.Get32(nio::kCbMonitorOn), 1u);
    EXPECT_EQ(driver_.Get32(nio::kCbMonitorAll), 0u);
    EXPECT_EQ(driver_.Get32(nio::kCbMsgRead), 0u);
    EXPECT_EQ(nio_get_message(&text, &code, 1), 0);
    EXPECT_EQ(driver_.Get32(nio::kCbMonitorAll), 1u);
}

TEST_F(Ring, MessagesComeInOrderAndTheIndexesWrapAfter63)
{
    // Start near the end so the ring wraps during the test.
    driver_.Set32(nio::kCbMsgRead, 62);
    driver_.Set32(nio::kCbMsgWrite, 62);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(spoll::PostDriverMessage(driver_.block(), static_cast<uint16_t>(20 + i),
                                             "m" + std::to_string(i)));
    EXPECT_EQ(driver_.Get32(nio::kCbMsgWrite), 3u);
    auto got = Drain();
    ASSERT_EQ(got.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(got[i].first, 20 + i);
        EXPECT_EQ(got[i].second, "m" + std::to_string(i));
    }
    EXPECT_EQ(driver_.Get32(nio::kCbMsgRead), 3u);
}

TEST_F(Ring, AFullRingHoldsSixtyThreeMessagesAndTheDriverNeverOverwritesUnread)
{
    // Alarms: the only messages that may fill the ring's last slots.
    for (int i = 0; i < 63; ++i)
        ASSERT_TRUE(spoll::PostDriverMessage(driver_.block(), 70, std::to_string(i)));
    EXPECT_FALSE(spoll::PostDriverMessage(driver_.block(), 70, "lost"));
    auto got = Drain();
    ASSERT_EQ(got.size(), 63u);
    EXPECT_EQ(got.front().second, "0");
    EXPECT_EQ(got.back().second, "62");
    // The reader learns that one was lost, as soon as there is room to say so.
    spoll::PostDroppedNote(driver_.block());
    EXPECT_EQ(Drain(), (std::vector<std::pair<uint16_t, std::string>>{{80, "1 messages dropped"}}));
}

TEST_F(Ring, TheTextIsCutAtItsFirstCarriageReturnAndNeverReadPastItsEntry)
{
    spoll::PostDriverMessage(driver_.block(), 70, "first line\r\nsecond");
    // An entry whose text fills all 124 bytes without a terminator.
    uint8_t *entry = driver_.block() + nio::kCbMessages + nio::kMessageSize * 1;
    entry[0] = 94;
    std::memset(entry + 4, 'x', 124);
    driver_.Set32(nio::kCbMsgWrite, 2);
    auto got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (std::pair<uint16_t, std::string>{70, "first line"}));
    EXPECT_EQ(got[1], (std::pair<uint16_t, std::string>{94, std::string(124, 'x')}));
}

TEST_F(Ring, IndexesOutsideTheRingAreNotFollowed)
{
    driver_.Set32(nio::kCbMsgWrite, 64);
    EXPECT_TRUE(Drain().empty());
    driver_.Set32(nio::kCbMsgWrite, 5);
    driver_.Set32(nio::kCbMsgRead, 1000);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(driver_.Get32(nio::kCbMsgRead), 5u) << "reading starts again where the driver writes";
}

TEST_F(NioTest, WithoutAnyDriverThereAreNoMessages)
{
    const char *text = nullptr;
    uint16_t code = 0;
    EXPECT_EQ(nio_get_message(&text, &code, 0), 0); // the block is created; its ring is empty
}
