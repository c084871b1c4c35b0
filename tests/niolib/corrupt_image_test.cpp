// Images whose offsets or sizes point past their end are refused or give nothing, never read past it.
#include "nio_fixture.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

using namespace niotest;

namespace
{

struct Corruption {
    const char *what;
    std::function<void(BuiltImage &)> apply;
    bool refusedAtMapping; // init_dit refuses the image
};

class CorruptImage : public NioTest, public ::testing::WithParamInterface<Corruption>
{
};

TestImage SampleImage()
{
    TestImage layout;
    layout.channels.push_back({{TestDevice{"PLC1", 1, {4, 4, 4, 4, 4}}}});
    return layout;
}

} // namespace

TEST_P(CorruptImage, IsRefusedWithoutACrash)
{
    BuiltImage img = BuildImage(SampleImage());
    GetParam().apply(img);
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(1, img.bytes));

    init_dit();
    EXPECT_EQ(nio::ImageMapped(), !GetParam().refusedAtMapping);
    if (GetParam().refusedAtMapping) {
        EXPECT_EQ(ui_.Texts().front(), "init_dit() Corrupted file");
        EXPECT_EQ(nio_rec_count(), 0);
        return;
    }
    // Every lookup either gives a record inside the image or nothing.
    int16_t channel = -1;
    nio_map_chan(0);
    nio_map_dev(0);
    nio_map_dit(0);
    nio_find_device("PLC1", &channel);
    for (int kind = 0; kind <= 6; ++kind)
        nio_find_data(0, kind);
    nio_SetTimeStamp(0);
    EXPECT_FALSE(ui_.Texts().empty()) << "the bad record was reported";
}

INSTANTIATE_TEST_SUITE_P(
    Images, CorruptImage,
    ::testing::Values(
        Corruption{"truncated_before_header_end", [](BuiltImage &i) { i.bytes.resize(120); }, true},
        Corruption{"channel_table_past_end", [](BuiltImage &i) { PutU32(i.bytes, 102 + 22, 0xFFFFFF00u); },
                   true},
        Corruption{"device_table_past_end", [](BuiltImage &i) { PutU32(i.bytes, 102 + 26, 840); }, true},
        Corruption{"poll_table_past_end", [](BuiltImage &i) { PutU32(i.bytes, 102 + 30, 0x7FFFFFFFu); },
                   true},
        Corruption{
            "channel_record_past_end",
            [](BuiltImage &i) { PutU32(i.bytes, i.channelTableAt, static_cast<uint32_t>(i.bytes.size())); },
            false},
        Corruption{"device_record_straddles_end",
                   [](BuiltImage &i) {
                       PutU32(i.bytes, i.deviceTableAt, static_cast<uint32_t>(i.bytes.size() - 102 - 100));
                   },
                   false},
        Corruption{"data_block_past_end", [](BuiltImage &i) { PutU32(i.bytes, i.pollTableAt, 0xFFFFFFFFu); },
                   false},
        Corruption{"area_offset_past_end",
                   [](BuiltImage &i) {
                       for (size_t off : {28, 34, 40, 46, 52})
                           PutU32(i.bytes, i.blockAt[0] + off, 0x80000000u);
                   },
                   false},
        Corruption{"area_size_past_end",
                   [](BuiltImage &i) { PutU32(i.bytes, i.blockAt[0] + 24, 0xFFFFFFFFu); }, false}),
    [](const auto &param) { return std::string(param.param.what); });
