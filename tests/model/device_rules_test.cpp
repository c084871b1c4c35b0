// Device names as the configuration view and the add-device dialog check them: the character rule,
// default names, and duplicates anywhere in the configuration.
#include "model/device_rules.h"

#include "siemens_tree_fixture.h"

#include <vector>

namespace
{

constexpr const char *kBadCharacters = "Device name must contain only alphanumeric characters or '-' ,'_'";

TEST(DeviceNameRule, TakesCapitalsDigitsHyphenAndUnderscoreOnly)
{
    for (const char *name : {"", "D31", "PUMP_2", "LINE-A", "0123456789", "ABCDEFGHIJK"})
        EXPECT_TRUE(IsDeviceNameText(name)) << name;
    for (const char *name : {"PUMP 2", "P.1", "pump", "A:B", "A/B", "\xC3\x84"})
        EXPECT_FALSE(IsDeviceNameText(name)) << name;
}

TEST(DeviceNameRule, DefaultNameIsDChannelNumberAndDeviceCount)
{
    EXPECT_EQ(DefaultDeviceName(2, 1), "D31");
    EXPECT_EQ(DefaultDeviceName(4, 1), "D51");
    EXPECT_EQ(DefaultDeviceName(0, 0), "D11"); // no device list at all
    EXPECT_EQ(DefaultDeviceName(15, 12), "D1612");
}

class DeviceNameTest : public SiemensTreeTest
{
protected:
    void SetUp() override
    {
        SiemensTreeTest::SetUp();
        first = AddChannel();
        second = AddChannel();
        press = AddDevice(first, "PRESS");
        kiln = AddDevice(second, "KILN");
        AddDevice(second, "D21");
    }
    CDrvSpecificChannel *first = nullptr;
    CDrvSpecificChannel *second = nullptr;
    CDrvSpecificDevice *press = nullptr;
    CDrvSpecificDevice *kiln = nullptr;
};

TEST_F(DeviceNameTest, ProposedNameIsEmptyWhenAnyChannelAlreadyUsesTheDefault)
{
    // The new device is already on its channel when the name is proposed.
    AddDevice(first, "");
    EXPECT_EQ(ProposedDeviceName(0, *first), "D12");
    CDrvSpecificChannel *third = AddChannel();
    AddDevice(third, "");
    EXPECT_EQ(ProposedDeviceName(2, *third), "D31");
    AddDevice(first, "D31");
    EXPECT_EQ(ProposedDeviceName(2, *third), "");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeviceNameTest, RenameChecksCharactersThenEmptyThenEveryChannel)
{
    struct Case {
        const char *name;
        DeviceNameCheck result;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {"PRESS", DeviceNameCheck::Unchanged, {}},
        {"PRESS 2", DeviceNameCheck::BadCharacters, {10457}},
        {"P.1", DeviceNameCheck::BadCharacters, {10457}},
        {"", DeviceNameCheck::Empty, {}},
        {"KILN", DeviceNameCheck::Duplicate, {4001}}, // a device of another channel
        {"PRESS-2", DeviceNameCheck::Accepted, {}},
    };
    for (const Case &c : cases) {
        ui.Clear();
        EXPECT_EQ(CheckDeviceRename(*press, c.name), c.result) << c.name;
        EXPECT_EQ(ui.Ids(), c.ids) << c.name;
    }
    ui.Clear();
    CheckDeviceRename(*press, "A B");
    CheckDeviceRename(*press, "D21");
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{kBadCharacters, "Device Name already Exists"}));
    EXPECT_EQ(ui.messages[1].icon, kvz::MsgIcon::Exclamation);
}

TEST_F(DeviceNameTest, RenameToTheSameNameInOtherCaseIsNotADuplicate)
{
    // Names from a CSV file may hold lower case; the lookup ignores case and finds the device itself.
    ASSERT_EQ(kiln->SetName("kiln"), 0);
    EXPECT_EQ(CheckDeviceRename(*kiln, "KILN"), DeviceNameCheck::Accepted);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeviceNameTest, NewNameRefusesANameOfAnyChannelWithItsOwnMessage)
{
    EXPECT_EQ(CheckNewDeviceName("KILN"), DeviceNameCheck::Duplicate);
    EXPECT_EQ(CheckNewDeviceName("PRESS"), DeviceNameCheck::Duplicate);
    EXPECT_EQ(CheckNewDeviceName("KILN 2"), DeviceNameCheck::BadCharacters);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{10413, 10413, 10457}));
    EXPECT_EQ(ui.Texts()[0], "Device Name Already Exists");
    EXPECT_EQ(ui.Texts()[2], kBadCharacters);

    ui.Clear();
    EXPECT_EQ(CheckNewDeviceName(""), DeviceNameCheck::Accepted);
    EXPECT_EQ(CheckNewDeviceName("OVEN_3"), DeviceNameCheck::Accepted);
    EXPECT_TRUE(ui.messages.empty());
}

} // namespace
