// Lookups in a mapped image: channels, devices, poll records, data areas, device names.
#include "model/live_status.h"
#include "nio_fixture.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <cstring>

using namespace niotest;

namespace
{

// Two channels: A with devices PLC1 (2 records) and Plc2 (1 record); B with PLC3 (1 record).
TestImage TwoChannels()
{
    TestImage layout;
    TestDevice plc1{"PLC1", 2, {4, 0, 6, 0x10000, 2}};
    TestDevice plc2{"Plc2", 1, {}};
    TestDevice plc3{"PLC3", 1, {8, 8, 8, 8, 8}};
    layout.channels.push_back({{plc1, plc2}});
    layout.channels.push_back({{plc3}});
    return layout;
}

class Lookups : public NioTest
{
protected:
    void SetUp() override
    {
        NioTest::SetUp();
        img_ = BuildImage(TwoChannels());
        ASSERT_TRUE(driver_.CreateBlock());
        ASSERT_TRUE(driver_.PublishImage(1, img_.bytes));
        ASSERT_NE(nio_map_hdr(), nullptr);
        base_ = driver_.image(1);
    }
    uint8_t *At(size_t filePos) { return base_ + filePos; }

    BuiltImage img_;
    DriverSide driver_;
    uint8_t *base_ = nullptr;
};

} // namespace

TEST_F(Lookups, RecordsInRangeAreFoundAndOutOfRangeReportedWithoutTouchingMemory)
{
    EXPECT_EQ(nio_chan_count(), 2);
    EXPECT_EQ(nio_dev_count(), 3);
    EXPECT_EQ(nio_rec_count(), 4);
    // Pointers are into this process's own view: compare contents, not addresses.
    auto same = [](const uint8_t *a, const uint8_t *b, size_t n) { return a && std::memcmp(a, b, n) == 0; };
    EXPECT_TRUE(same(nio_map_chan(1), At(img_.channelAt[1]), 384));
    EXPECT_TRUE(same(nio_map_dev(2), At(img_.deviceAt[2]), 196));
    EXPECT_TRUE(same(nio_map_rec(3), At(img_.pollTableAt + 96), 32));
    EXPECT_TRUE(same(nio_map_dit(3), At(img_.blockAt[3]), 78));
    EXPECT_TRUE(ui_.Texts().empty());

    EXPECT_EQ(nio_map_chan(2), nullptr);
    EXPECT_EQ(nio_map_chan(-1), nullptr);
    EXPECT_EQ(nio_map_dev(3), nullptr);
    EXPECT_EQ(nio_map_rec(4), nullptr);
    EXPECT_EQ(nio_map_rec(-1), nullptr);
    EXPECT_EQ(nio_map_dit(4), nullptr);
    EXPECT_EQ(ui_.Texts(), (std::vector<std::string>{
                               "nio_map_chan(2) NIOLIB Bad Handle", "nio_map_chan(-1) NIOLIB Bad Handle",
                               "nio_map_dev() NIOLIB Bad Handle", "nio_map_dit(4) NIOLIB Bad Handle"}));
}

TEST_F(Lookups, AChannelGivesItsDevicesAndRecordsByPosition)
{
    EXPECT_EQ(nio_chan_dev_count(0), 2);
    EXPECT_EQ(nio_chan_rec_count(0), 3);
    EXPECT_EQ(nio_chan_dev_count(1), 1);
    EXPECT_EQ(nio_chan_dev_count(5), 0);
    EXPECT_EQ(nio_chan_dev(0, 1), 1);
    EXPECT_EQ(nio_chan_dev(1, 0), 2);
    EXPECT_EQ(nio_chan_dev(1, 1), -1) << "beyond the channel";
    EXPECT_EQ(nio_chan_dev(0, -1), -1);
    EXPECT_EQ(nio_chan_rec(0, 2), 2);
    EXPECT_EQ(nio_chan_rec(1, 0), 3);
    EXPECT_EQ(nio_chan_rec(1, 1), -1);
    EXPECT_EQ(nio_chan_dev(7, 0), -1);
    // A first index that runs past the device count.
    PutU16(img_.bytes, img_.channelAt[1] + 40, 3);
    std::memcpy(At(img_.channelAt[1] + 40), &img_.bytes[img_.channelAt[1] + 40], 2);
    EXPECT_EQ(nio_chan_dev(1, 0), -1);
}

TEST_F(Lookups, FindDataGivesTheBlockOrOneOfItsAreas)
{
    uint8_t *block = nio_map_dit(0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(nio_find_data(0, 0), block);
    EXPECT_EQ(nio_find_data(0, 6), block);
    EXPECT_EQ(nio_find_data(0, 1), block + 78);
    EXPECT_EQ(nio_find_data(0, 2), nullptr) << "size 0";
    EXPECT_EQ(nio_find_data(0, 3), block + 82);
    EXPECT_EQ(nio_find_data(0, 4), block + 88) << "a 32-bit size";
    EXPECT_EQ(nio_find_data(0, 5), block + 88 + 0x10000);
    EXPECT_TRUE(LoggedAt(80).empty()) << "all from the cache";

    uint8_t *other = nio_find_data(3, 5);
    EXPECT_TRUE(Logged(80, "nio_find_data(3,5) different from map 0"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other, nio_map_dit(3) + 78 + 32);
    EXPECT_EQ(nio_find_data(9, 1), nullptr);
    EXPECT_EQ(ui_.Texts().back(), "nio_find_data(9,1) FAILED");
}

TEST_F(Lookups, SetTimeStampWritesNowAsAFileTime)
{
    uint64_t before = nio::FileTimeNow();
    nio_SetTimeStamp(2);
    EXPECT_TRUE(Logged(80, "nio_SetTimeStamp(2) different from map 9999"));
    uint8_t *block = nio_map_dit(2);
    uint64_t stamp = GetU32(block, 62) | (uint64_t(GetU32(block, 66)) << 32);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, nio::FileTimeNow());
    EXPECT_GT(stamp, 116444736000000000ull); // after 1970
    nio_SetTimeStamp(-3);
    EXPECT_EQ(ui_.Texts().back(), "SetTimeStamp(-3) FAILED");
}

TEST_F(Lookups, FindDeviceUpperCasesTheNameAndComparesExactly)
{
    int16_t channel = -1;
    EXPECT_EQ(nio_find_device("plc1", &channel), 0);
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(nio_find_device("PLC3", &channel), 0);
    EXPECT_EQ(channel, 1);
    channel = -1;
    EXPECT_EQ(nio_find_device("plc2", &channel), -1) << "stored as Plc2";
    EXPECT_EQ(nio_find_device("Plc2", &channel), -1);
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(nio_find_device("PLC", &channel), -1);
    EXPECT_EQ(nio_find_device(std::string(31, 'P').c_str(), &channel), -1) << "too long for the buffer";
}

TEST_F(Lookups, ADeviceOutsideEveryChannelIsPassedOver)
{
    // Channel 1 no longer claims device 2 (PLC3).
    PutU16(img_.bytes, img_.channelAt[1] + 42, 0);
    std::memcpy(At(img_.channelAt[1] + 42), &img_.bytes[img_.channelAt[1] + 42], 2);
    int16_t channel = -1;
    EXPECT_EQ(nio_find_device("PLC3", &channel), -1);
}

TEST_F(Lookups, TheLiveStatusSourceReadsStatusWordsFromTheImage)
{
    ILiveStatusSource *source = GetLiveStatusSource();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->ImagePollRecordCount(), 4);
    At(img_.blockAt[2])[0] = 0xC5; // 4293 = 0x10C5, with the top bits set by the driver
    At(img_.blockAt[2])[1] = 0xF0;
    EXPECT_EQ(source->ImageStatusWord(2), 0xF0C5);
    EXPECT_EQ(source->ImageStatusWord(3), 0);
    UnMapDIT();
    EXPECT_EQ(source->ImagePollRecordCount(), 0);
}
