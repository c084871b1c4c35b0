// The overlap rule between the poll records of the current device.
#include "iorec_fixture.h"
#include "model/string_table.h"

namespace
{

struct OverlapCase {
    uint16_t plcType;
    const char *existingStart;
    const char *existingLength;
    const char *editedStart;
    const char *editedLength;
    bool overlaps;
};

TEST_F(IORecTest, OverlapTestComparesWithTheCurrentDevicesOtherRecords)
{
    const OverlapCase cases[] = {
        {kPlcS7_300, "M0", "10", "M5", "10", true},
        {kPlcS7_300, "M5", "10", "M0", "10", true},
        {kPlcS7_300, "M0", "100", "M10", "5", true}, // inside
        {kPlcS7_300, "M10", "5", "M0", "100", true}, // around
        {kPlcS7_300, "M0", "10", "M10", "10", false},
        {kPlcS7_300, "DB1,DBB0", "10", "DB2,DBB0", "10", false},
        {kPlcS7_300, "DB1,DBB0", "10", "DB1,DBB9", "1", true},
        {kPlcS7_300, "M0", "10", "Q0", "10", false},
        {kPlcS5, "DB:1:0", "10", "DB:2:5", "10", false},
        {kPlcS5, "DB:1:0", "10", "DB:1:9", "10", true},
        {kPlcS5, "C:0", "10", "T:0", "10", false},
        {kPlcTi, "V:1", "10", "V:10", "5", true},
        {kPlcTi, "V:1", "10", "WX:1", "10", false},
        {kPlcTi, "WX:1", "10", "WY:1", "10", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.existingStart) + " / " + c.editedStart);
        ui.Clear();
        auto *device = AddDevice(c.plcType);
        AddRecord(device, c.existingStart, c.existingLength);
        // The record being edited is the device's current one; the dialog works on a copy of it.
        CIORec *stored = AddRecord(device, c.editedStart, c.editedLength);
        auto copy = MakeRecord(device, c.editedStart, c.editedLength);
        device->SetCurrentIORec(stored);
        EXPECT_EQ(copy->OverlapTest(), c.overlaps ? 1 : 0);
        if (c.overlaps) {
            EXPECT_EQ(ui.Ids(), std::vector<int>{IDS_ADDRESS_ALREADY_DEFINED});
            EXPECT_EQ(ui.Texts()[0], "Address already defined in Poll Record 1");
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}

TEST_F(IORecTest, OverlapTestSkipsRecordsWithoutLengthAndCountsEveryPosition)
{
    auto *device = AddDevice(kPlcS7_300);
    auto *undefined = AddRecord(device, "M0", "1");
    undefined->SetLengthValue(0);
    AddRecord(device, "M100", "10");
    AddRecord(device, "M0", "10");
    auto edited = MakeRecord(device, "M5", "1");
    device->SetCurrentIORec(nullptr);
    EXPECT_EQ(edited->OverlapTest(), 1);
    EXPECT_EQ(ui.Texts().at(0), "Address already defined in Poll Record 3");

    // Without a current device there is nothing to overlap.
    channel->SetCurrentDevice(nullptr);
    EXPECT_EQ(edited->OverlapTest(), 0);
}

} // namespace
