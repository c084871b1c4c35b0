// Changing a device's PLC type: which changes keep the poll records, which TSAPs each writes, the
// question before records go, and the first poll record a device is given.
#include "model/plc_type_change.h"

#include "siemens_tree_fixture.h"

#include <optional>
#include <utility>
#include <vector>

namespace
{

using Tsaps = std::optional<std::pair<std::string, std::string>>;

Tsaps T(const char *read, const char *write)
{
    return std::make_pair(std::string(read), std::string(write));
}

uint16_t RowOf(uint16_t plcTypeValue)
{
    return DictIndexOf(KVZ_hw_options_dct, plcTypeValue);
}

TEST(PlanPlcTypeChange, EveryChangeKeepsOrDropsRecordsAndWritesItsTsaps)
{
    struct Case {
        uint16_t from, to;
        bool keeps;
        Tsaps tsaps;
    };
    const Case cases[] = {
        // Between S7 300 and S7 400 nothing but the type changes.
        {kPlcS7_300, kPlcS7_400, true, std::nullopt},
        {kPlcS7_400, kPlcS7_300, true, std::nullopt},
        {kPlcS7_300, kPlcS7_200, true, T("CP243", "Not Used")},
        {kPlcS7_400, kPlcS7_200, true, T("CP243", "Not Used")},
        {kPlcS7_200, kPlcS7_300, true, T("R=0;S=2", "Not Used")},
        {kPlcS7_200, kPlcS7_400, true, T("R=0;S=2", "Not Used")},
        {kPlcS7_300, kPlcS7_1200, true, T("R=0;S=1", "Not Used")},
        {kPlcS7_400, kPlcS7_1500, true, T("R=0;S=1", "Not Used")},
        {kPlcS7_200, kPlcS7_1500, true, T("R=0;S=1", "Not Used")},
        // S7 changes the rows leave out take the new type's defaults.
        {kPlcS7_1200, kPlcS7_1500, true, T("R=0;S=1", "Not Used")},
        {kPlcS7_1500, kPlcS7_300, true, T("R=0;S=2", "Not Used")},
        {kPlcS7_1500, kPlcS7_400, true, T("R=0;S=3", "Not Used")},
        {kPlcS7_1200, kPlcS7_200, true, T("CP243", "Not Used")},
        // Any change into, out of or between S5 and TI drops the records.
        {kPlcS7_300, kPlcS5, false, T("READREAD", "WRITWRIT")},
        {kPlcS7_1500, kPlcTi, false, T("READREAD", "WRITWRIT")},
        {kPlcS5, kPlcTi, false, T("READREAD", "WRITWRIT")},
        {kPlcS5, kPlcS7_300, false, T("R=0;S=2", "Not Used")},
        {kPlcTi, kPlcS7_400, false, T("R=0;S=3", "Not Used")},
        {kPlcTi, kPlcS7_1200, false, T("R=0;S=1", "Not Used")},
        {kPlcS5, kPlcS7_200, false, T("CP243", "Not Used")},
    };
    for (const Case &c : cases) {
        PlcTypeChangePlan plan = PlanPlcTypeChange(c.from, c.to);
        EXPECT_EQ(plan.keepsPollRecords, c.keeps) << c.from << " -> " << c.to;
        EXPECT_EQ(plan.tsaps, c.tsaps) << c.from << " -> " << c.to;
        // The model's own family rule agrees on which changes keep the records.
        EXPECT_EQ(PlcTypeChangeKeepsPollRecords(c.from, c.to), c.keeps) << c.from << " -> " << c.to;
    }
}

class PlcTypeChangeTest : public SiemensTreeTest
{
protected:
    void SetUp() override
    {
        SiemensTreeTest::SetUp();
        channel = AddChannel();
        SetCurrentChannelOfTree(channel);
        device = AddDevice(channel, "PLC1", kPlcS7_300);
        AddRecord(device, "M0", "M9");
        AddRecord(device, "DB10,DBW0", "DB10,DBW19");
        ASSERT_EQ(device->SetReadTsap("MYREAD"), 1);
        ASSERT_EQ(device->SetWriteTsap("MYWRITE"), 1);
    }
    std::vector<std::string> Ranges() const
    {
        std::vector<std::string> out;
        for (const auto &r : device->IORecs()) {
            auto *s = static_cast<const CDrvSpecificIORec *>(r.get());
            out.push_back(s->GetAddressText(1) + ".." + s->GetAddressText(0));
        }
        return out;
    }
    CDrvSpecificChannel *channel = nullptr;
    CDrvSpecificDevice *device = nullptr;
};

TEST_F(PlcTypeChangeTest, S7_300To400KeepsRecordsAndTsapsWithoutAsking)
{
    auto before = Ranges();
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS7_400)), PlcTypeChange::KeptPollRecords);
    EXPECT_EQ(device->GetPlcTypeValue(), kPlcS7_400);
    EXPECT_EQ(Ranges(), before);
    EXPECT_EQ(device->GetReadTsap(), "MYREAD");
    EXPECT_EQ(device->GetWriteTsap(), "MYWRITE");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PlcTypeChangeTest, S7ChangesOutsideThe300And400PairWriteTsapsAndKeepRecords)
{
    auto before = Ranges();
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS7_200)), PlcTypeChange::KeptPollRecordsTsaps);
    EXPECT_EQ(device->GetReadTsap(), "CP243");
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS7_1500)), PlcTypeChange::KeptPollRecordsTsaps);
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS7_1200)), PlcTypeChange::KeptPollRecordsTsaps);
    EXPECT_EQ(device->GetReadTsap(), "R=0;S=1");
    EXPECT_EQ(device->GetWriteTsap(), "Not Used");
    EXPECT_EQ(Ranges(), before);
    EXPECT_EQ(GetPollRecordCount(), 2);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PlcTypeChangeTest, S7ToS5AsksAndYesLeavesOneStatusRecord)
{
    ui.answers = {kvz::MsgResult::Yes};
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS5)), PlcTypeChange::ReplacedPollRecords);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].id, 3003);
    EXPECT_EQ(ui.messages[0].buttons, kvz::MsgButtons::YesNo);
    EXPECT_EQ(ui.messages[0].text, "Changing the PLC type will cause all Poll Records for this device to be "
                                   "removed.\n\rDo you wish to continue?");
    EXPECT_EQ(device->GetPlcTypeValue(), kPlcS5);
    EXPECT_EQ(Ranges(), (std::vector<std::string>{"ST:0..ST:99"}));
    EXPECT_EQ(device->IORecs()[0]->GetLength(), 100);
    EXPECT_EQ(device->GetCurrentIORec(), device->IORecs()[0].get());
    EXPECT_EQ(GetPollRecordCount(), 1);
    EXPECT_EQ(device->GetReadTsap(), "READREAD");
    EXPECT_EQ(device->GetWriteTsap(), "WRITWRIT");
}

TEST_F(PlcTypeChangeTest, NoKeepsTypeRecordsAndTsaps)
{
    auto before = Ranges();
    ui.answers = {kvz::MsgResult::No};
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcTi)), PlcTypeChange::Refused);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{3003}));
    EXPECT_EQ(device->GetPlcTypeValue(), kPlcS7_300);
    EXPECT_EQ(Ranges(), before);
    EXPECT_EQ(GetPollRecordCount(), 2);
    EXPECT_EQ(device->GetReadTsap(), "MYREAD");
}

TEST_F(PlcTypeChangeTest, ADeviceWithoutRecordsChangesFamilyWithoutAQuestion)
{
    while (device->IORecCount() > 0)
        device->RemoveIORec(device->IORecs().back().get());
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcTi)), PlcTypeChange::ReplacedPollRecords);
    EXPECT_EQ(Ranges(), (std::vector<std::string>{"ST:1..ST:100"}));
    EXPECT_EQ(device->GetReadTsap(), "READREAD");
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS7_400)), PlcTypeChange::Refused); // now it has one
    ui.answers = {kvz::MsgResult::Yes};
    EXPECT_EQ(ChangePlcType(*device, RowOf(kPlcS7_400)), PlcTypeChange::ReplacedPollRecords);
    EXPECT_EQ(Ranges(), (std::vector<std::string>{"S0..S199"}));
    EXPECT_EQ(device->IORecs()[0]->GetLength(), 200);
    EXPECT_EQ(device->GetReadTsap(), "R=0;S=3");
    EXPECT_EQ(ui.Ids(), (std::vector<int>{3003, 3003}));
}

TEST_F(PlcTypeChangeTest, TheSameRowChangesNothing)
{
    EXPECT_EQ(ChangePlcType(*device, device->GetPlcTypeIndex()), PlcTypeChange::Unchanged);
    EXPECT_EQ(device->GetReadTsap(), "MYREAD");
    EXPECT_EQ(device->IORecCount(), 2u);
}

TEST_F(PlcTypeChangeTest, FirstRecordFollowsTheDeviceNotTheCurrentChannel)
{
    // The device sits on a channel that is not current; the overlap and family rules of the model
    // must not be taken from the current channel's device.
    CDrvSpecificChannel *other = AddChannel();
    struct Case {
        uint16_t plc;
        const char *range;
        uint16_t length;
    };
    const Case cases[] = {
        {kPlcS5, "ST:0..ST:99", 100},
        {kPlcS7_1200, "S0..S199", 200},
        {kPlcTi, "ST:1..ST:100", 100},
    };
    for (const Case &c : cases) {
        auto *fresh = AddDevice(other, "NEW" + std::to_string(c.plc), c.plc);
        CIORec *first = AddFirstPollRecord(*fresh, FirstRecordFor::NewDevice);
        auto *record = static_cast<CDrvSpecificIORec *>(first);
        EXPECT_EQ(record->GetAddressText(1) + ".." + record->GetAddressText(0), c.range) << c.plc;
        EXPECT_EQ(record->GetLength(), c.length) << c.plc;
        EXPECT_EQ(record->GetDevice(), fresh);
        EXPECT_EQ(fresh->GetCurrentIORec(), first);
        EXPECT_EQ(record->GetPollTime(), 1.0f);
        EXPECT_EQ(record->GetAccessTime(), 300.0f);
    }
    EXPECT_TRUE(ui.messages.empty());
}

} // namespace
