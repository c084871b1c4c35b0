// Finding a device by name across the tree while the tree changes under the lookup: every answer must
// be the one a scan of the channels and devices in list order would give.
#include "model/channel.h"
#include "model/device.h"
#include "model/tree_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

class LookupChannel : public CChannel
{
public:
    bool ReadCsv(std::string_view &, std::string_view, bool &) override { return false; }
    void WriteCsv(std::string &, std::string_view) const override {}
    void WriteCsvHeader(std::string &, std::string_view) const override {}
};

class LookupDevice : public CDevice
{
public:
    explicit LookupDevice(CChannel *c) : CDevice(c) {}
    int ReadRecord(DeviceRecordView, bool) override { return 0; }
    bool ReadCsv(std::string_view &, std::string_view, bool &) override { return false; }
};

class DeviceLookupTest : public testing::Test
{
protected:
    void SetUp() override { PublishChannelList(&channels); }
    void TearDown() override
    {
        channels.clear();
        PublishChannelList(nullptr);
        ResetPollRecordCount();
    }
    CChannel *AddChannel()
    {
        channels.push_back(std::make_unique<LookupChannel>());
        return channels.back().get();
    }
    CDevice *AddDevice(CChannel *c, const std::string &name)
    {
        auto d = std::make_unique<LookupDevice>(c);
        d->SetName(name);
        return c->AddDevice(std::move(d));
    }
    ChannelList channels;
};

TEST_F(DeviceLookupTest, FollowsRenamesAdditionsRemovalsAndChannelOrder)
{
    CChannel *c0 = AddChannel();
    CChannel *c1 = AddChannel();
    CDevice *press = AddDevice(c0, "Press");
    CDevice *kiln = AddDevice(c1, "Kiln");
    EXPECT_EQ(FindDeviceByName("press"), press);
    EXPECT_EQ(FindDeviceByName("KILN"), kiln);

    ASSERT_EQ(kiln->SetName("Oven"), 0);
    EXPECT_EQ(FindDeviceByName("Kiln"), nullptr);
    EXPECT_EQ(FindDeviceByName("OVEN"), kiln);

    // The same name twice: the first in list order wins, whichever was added first.
    CDevice *secondPress = AddDevice(c1, "PRESS");
    EXPECT_EQ(FindDeviceByName("Press"), press);
    std::swap(channels[0], channels[1]);
    EXPECT_EQ(FindDeviceByName("Press"), secondPress);
    std::swap(channels[0], channels[1]);
    EXPECT_EQ(FindDeviceByName("Press"), press);

    std::unique_ptr<CDevice> gone = c0->RemoveDevice(press);
    EXPECT_EQ(FindDeviceByName("Press"), secondPress);
    c0->AddDevice(std::move(gone)); // back, now last in its channel but still in the first channel
    EXPECT_EQ(FindDeviceByName("Press"), press);

    // A channel leaving the list takes its devices out of the lookup.
    channels.erase(channels.begin());
    EXPECT_EQ(FindDeviceByName("Press"), secondPress);
    channels.clear();
    EXPECT_EQ(FindDeviceByName("Press"), nullptr);

    // Another list published in place of this one.
    ChannelList other;
    other.push_back(std::make_unique<LookupChannel>());
    CDevice *mill = AddDevice(other.back().get(), "Mill");
    PublishChannelList(&other);
    EXPECT_EQ(FindDeviceByName("mill"), mill);
    PublishChannelList(&channels);
    EXPECT_EQ(FindDeviceByName("mill"), nullptr);
}

TEST_F(DeviceLookupTest, OnlyAsciiLettersIgnoreCase)
{
    CChannel *c = AddChannel();
    CDevice *plain = AddDevice(c, "Line_7");
    CDevice *accented = AddDevice(c, "Pr\xC3\xA9sse"); // UTF-8 bytes compare exactly
    EXPECT_EQ(FindDeviceByName("LINE_7"), plain);
    EXPECT_EQ(FindDeviceByName("line_7 "), nullptr);
    EXPECT_EQ(FindDeviceByName("PR\xC3\xA9SSE"), accented);
    EXPECT_EQ(FindDeviceByName("PR\xC3\x89SSE"), nullptr);
    EXPECT_EQ(FindDeviceByName(""), nullptr);
}

} // namespace
