// The main frame's statistics tick over a scripted image: counts, the polls-per-second difference, the
// switch that turns the statistics off for good, and the channel index check.
#include "niolib/channel_statistics.h"

#include "nio_fixture.h"
#include "niolib/nio_layout.h"
#include "niolib/niolib.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace
{

void PutCount(uint8_t *record, size_t offset, uint16_t value)
{
    record[offset] = static_cast<uint8_t>(value);
    record[offset + 1] = static_cast<uint8_t>(value >> 8);
}

class ScriptedImage
{
public:
    explicit ScriptedImage(int16_t channels) : count(channels), records(static_cast<size_t>(channels)) {}

    void SetCounts(size_t channel, uint16_t transmit, uint16_t receive)
    {
        PutCount(records.at(channel).data(), nio::kChanTxCount, transmit);
        PutCount(records.at(channel).data(), nio::kChanRxCount, receive);
    }

    ChannelStatistics::Source Source()
    {
        return {[this] {
                    ++countReads;
                    return count;
                },
                [this](int16_t index) -> const uint8_t * {
                    mapped.push_back(index);
                    return unmappable ? nullptr : records.at(static_cast<size_t>(index)).data();
                }};
    }

    int16_t count;
    bool unmappable = false;
    int countReads = 0;
    std::vector<int16_t> mapped;
    std::vector<std::array<uint8_t, nio::kChannelRecordSize>> records;
};

TEST(ChannelStatistics, TransmitCounterWrappingRoundGivesTheSignedDifference)
{
    ScriptedImage image(2);
    ChannelStatistics stats(image.Source());
    image.SetCounts(1, 65535, 300);
    stats.Tick(1);
    image.SetCounts(1, 4, 301);
    EXPECT_EQ(stats.Tick(1), "TX=4 RX=301 Polls/Sec=5");
    image.SetCounts(1, 14, 311);
    EXPECT_EQ(stats.Tick(1), "TX=14 RX=311 Polls/Sec=10");
    EXPECT_EQ(stats.LastTransmitCount(), 14);
}

TEST(ChannelStatistics, AnotherChannelIsMeasuredAgainstThePreviousChannelsCount)
{
    ScriptedImage image(2);
    ChannelStatistics stats(image.Source());
    image.SetCounts(0, 100, 0);
    image.SetCounts(1, 90, 7);
    stats.Tick(0);
    EXPECT_EQ(stats.Tick(1), "TX=90 RX=7 Polls/Sec=-10");
}

TEST(ChannelStatistics, ACountOfZeroSwitchesTheStatisticsOffForGood)
{
    ScriptedImage image(0);
    ChannelStatistics stats(image.Source());
    EXPECT_EQ(image.countReads, 1); // read at construction
    EXPECT_FALSE(stats.SwitchedOff());
    EXPECT_EQ(stats.Tick(0), std::nullopt);
    EXPECT_TRUE(stats.SwitchedOff());

    // A driver that starts later is not looked at again.
    image.count = 1;
    image.records.resize(1);
    image.SetCounts(0, 5, 5);
    EXPECT_EQ(stats.Tick(0), std::nullopt);
    EXPECT_EQ(image.countReads, 2);
    EXPECT_TRUE(image.mapped.empty());
}

TEST(ChannelStatistics, OnlyChannelsOfTheImageAreMapped)
{
    ScriptedImage image(2);
    ChannelStatistics stats(image.Source());
    EXPECT_EQ(stats.Tick(2), std::nullopt);
    EXPECT_EQ(stats.Tick(-1), std::nullopt);
    EXPECT_TRUE(image.mapped.empty());
    EXPECT_FALSE(stats.SwitchedOff());

    image.unmappable = true;
    image.SetCounts(1, 50, 0);
    EXPECT_EQ(stats.Tick(1), std::nullopt);
    EXPECT_EQ(image.mapped, (std::vector<int16_t>{1}));
    EXPECT_EQ(stats.LastTransmitCount(), 0);
}

class ChannelStatisticsOfTheImage : public niotest::NioTest
{
};

TEST_F(ChannelStatisticsOfTheImage, NiolibsSourceReadsTheCountsTheDriverWrites)
{
    niotest::TestImage layout;
    layout.channels.push_back({{niotest::TestDevice{"PLC1", 1, {}}}});
    layout.channels.push_back({{niotest::TestDevice{"PLC2", 1, {}}}});
    niotest::BuiltImage built = niotest::BuildImage(layout);
    niotest::DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(1, built.bytes));

    ChannelStatistics stats;
    uint8_t *channel = driver.image(1) + built.channelAt[1];
    PutCount(channel, nio::kChanTxCount, 1200);
    PutCount(channel, nio::kChanRxCount, 1190);
    EXPECT_EQ(stats.Tick(1), "TX=1200 RX=1190 Polls/Sec=1200");
    EXPECT_EQ(stats.Tick(2), std::nullopt);
    EXPECT_TRUE(ui_.messages.empty()); // the index check keeps nio_map_chan from reporting a bad handle
}

} // namespace
