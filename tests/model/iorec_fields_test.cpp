// The poll record dialog's fields as the model commits them on the working copy: which field is
// focused again, what is shown, and when the document counts as modified.
#include "model/iorec_defaults.h"
#include "model/iorec_fields.h"

#include "siemens_tree_fixture.h"

#include <vector>

namespace
{

constexpr int kOverlap = 3007;
constexpr int kStartFirst = 3008;

class IORecFieldsTest : public SiemensTreeTest
{
protected:
    void SetUp() override
    {
        SiemensTreeTest::SetUp();
        channel = AddChannel();
        SetCurrentChannelOfTree(channel);
        device = AddDevice(channel, "PLC1", kPlcS7_300);
        first = AddRecord(device, "M0", "M9");
        second = AddRecord(device, "M20", "M29");
    }
    // The dialog opened on `record`: the working copy holds its settings.
    void Open(const CDrvSpecificIORec &record)
    {
        work.CopySettingsFrom(record);
        device->SetCurrentIORec(const_cast<CDrvSpecificIORec *>(&record));
    }
    std::string Range() const { return work.GetAddressText(1) + ".." + work.GetAddressText(0); }

    CDrvSpecificChannel *channel = nullptr;
    CDrvSpecificDevice *device = nullptr;
    CDrvSpecificIORec *first = nullptr;
    CDrvSpecificIORec *second = nullptr;
    CDrvSpecificIORec work;
};

TEST_F(IORecFieldsTest, StartAddressTakesTheScratchCopyOnlyWhenEveryCheckPasses)
{
    Open(*second);
    struct Case {
        const char *text;
        IORecField refocus;
        std::vector<int> ids;
        const char *range;
    };
    const Case cases[] = {
        {"M25", IORecField::None, {}, "M25..M29"},
        {"M5", IORecField::StartAddress, {kOverlap}, "M25..M29"},   // overlaps poll record 1
        {"M40", IORecField::StartAddress, {3005}, "M25..M29"},      // after the end
        {"NOWHERE", IORecField::StartAddress, {4061}, "M25..M29"},  // no memory type: said once
        {"M1048582", IORecField::StartAddress, {4004}, "M25..M29"}, // beyond the 20-bit byte address
        {"", IORecField::StartAddress, {4060}, "M25..M29"},
        {"--Undefined--", IORecField::None, {}, "M25..M29"}, // what the field shows, not parsed
        {"m21", IORecField::None, {}, "M21..M29"},
    };
    for (const Case &c : cases) {
        ui.Clear();
        FieldCommit commit = CommitStartAddress(work, c.text, second);
        EXPECT_TRUE(commit.markModified) << c.text;
        EXPECT_EQ(commit.refocus, c.refocus) << c.text;
        EXPECT_EQ(ui.Ids(), c.ids) << c.text;
        EXPECT_EQ(Range(), c.range) << c.text;
    }
    // The stored record is not touched until OK.
    EXPECT_EQ(second->GetAddressText(1), "M20");
}

TEST_F(IORecFieldsTest, OverlapNamesTheOneBasedPositionAndFocusesTheStart)
{
    AddRecord(device, "M40", "M49");
    Open(*second);
    FieldCommit commit = CommitEndAddress(work, "M45", second);
    EXPECT_EQ(commit.refocus, IORecField::StartAddress);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Address already defined in Poll Record 3"}));
    EXPECT_EQ(ui.messages[0].icon, kvz::MsgIcon::Exclamation);
}

TEST_F(IORecFieldsTest, ANewRecordIsComparedWithTheRecordTheDialogWasOpenedOn)
{
    // New in the dialog: the working copy starts again from the defaults while `first` stays the
    // device's current record. Nothing is skipped, so `first` still counts.
    FillNewRecordDefaults(work, device);
    device->SetCurrentIORec(first);
    EXPECT_EQ(CommitStartAddress(work, "M3", nullptr).refocus, IORecField::StartAddress);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Address already defined in Poll Record 1"}));
    ui.Clear();
    EXPECT_EQ(CommitStartAddress(work, "MW10", nullptr).refocus, IORecField::None);
    EXPECT_EQ(Range(), "M10..M11");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(IORecFieldsTest, EndAndLengthNeedAStartAddressFirst)
{
    FillNewRecordDefaults(work, device);
    for (auto commit : {CommitEndAddress(work, "M5", nullptr), CommitLength(work, "4", nullptr)}) {
        EXPECT_FALSE(commit.markModified);
        EXPECT_EQ(commit.refocus, IORecField::StartAddress);
    }
    EXPECT_EQ(ui.Ids(), (std::vector<int>{kStartFirst, kStartFirst}));
    EXPECT_EQ(ui.Texts()[0], "A Start Address must be entered before an End Address or Length");
    EXPECT_EQ(work.GetLength(), 0);
}

TEST_F(IORecFieldsTest, EndAddressRefusalsFocusTheEndUnlessTheyOverlap)
{
    Open(*second);
    struct Case {
        const char *text;
        IORecField refocus;
        std::vector<int> ids;
        const char *range;
    };
    const Case cases[] = {
        {"M35", IORecField::None, {}, "M20..M35"},
        {"M10", IORecField::EndAddress, {3005}, "M20..M35"},  // before the start
        {"M260", IORecField::EndAddress, {3002}, "M20..M35"}, // longer than 220 bytes
        {"??", IORecField::EndAddress, {4061}, "M20..M35"},
        {"--Undefined--", IORecField::None, {}, "M20..M35"},
    };
    for (const Case &c : cases) {
        ui.Clear();
        FieldCommit commit = CommitEndAddress(work, c.text, second);
        EXPECT_TRUE(commit.markModified) << c.text;
        EXPECT_EQ(commit.refocus, c.refocus) << c.text;
        EXPECT_EQ(ui.Ids(), c.ids) << c.text;
        EXPECT_EQ(Range(), c.range) << c.text;
    }
}

TEST_F(IORecFieldsTest, LengthMovesTheEndWithinTheLimits)
{
    Open(*second);
    struct Case {
        const char *text;
        bool modified;
        IORecField refocus;
        std::vector<int> ids;
        const char *range;
    };
    const Case cases[] = {
        {"4", true, IORecField::None, {}, "M20..M23"},
        {" 12 ", true, IORecField::None, {}, "M20..M31"},
        {"221", true, IORecField::Length, {3002}, "M20..M31"},
        {"four", false, IORecField::Length, {61712}, "M20..M31"}, // the framework's integer message
    };
    for (const Case &c : cases) {
        ui.Clear();
        FieldCommit commit = CommitLength(work, c.text, second);
        EXPECT_EQ(commit.markModified, c.modified) << c.text;
        EXPECT_EQ(commit.refocus, c.refocus) << c.text;
        EXPECT_EQ(ui.Ids(), c.ids) << c.text;
        EXPECT_EQ(Range(), c.range) << c.text;
    }
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Please enter an integer."}));

    Open(*first);
    ui.Clear();
    EXPECT_EQ(CommitLength(work, "21", first).refocus, IORecField::StartAddress); // reaches record 2
    EXPECT_EQ(ui.Ids(), (std::vector<int>{kOverlap}));
    EXPECT_EQ(work.GetLength(), 10);
}

TEST_F(IORecFieldsTest, LengthBeyondTheS5AddressRangeFocusesTheLength)
{
    auto *s5 = AddDevice(channel, "S5", kPlcS5);
    auto *record = AddRecord(s5, "DB:3:4000", "DB:3:4009");
    work.CopySettingsFrom(*record);
    FieldCommit commit = CommitLength(work, "200", record);
    EXPECT_EQ(commit.refocus, IORecField::Length);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{4004}));
    EXPECT_EQ(work.GetLength(), 10);
}

TEST_F(IORecFieldsTest, TimesTakeShortDisabledSpellingsOrTheValidatedSetter)
{
    Open(*first);
    for (const char *text : {"-", "d", "D", ""}) {
        work.SetPollTimeValue(5.0f);
        work.SetAccessTimeValue(5.0f);
        EXPECT_EQ(CommitPollTime(work, text).refocus, IORecField::None) << text;
        EXPECT_EQ(CommitAccessTime(work, text).refocus, IORecField::None) << text;
        EXPECT_EQ(PollTimeFieldText(work.GetPollTime()), "Disabled") << text;
        EXPECT_EQ(AccessTimeFieldText(work.GetAccessTime()), "Disabled") << text;
    }
    EXPECT_EQ(CommitPollTime(work, "disabled").refocus, IORecField::None);
    EXPECT_EQ(work.GetPollTime(), -1.0f);
    EXPECT_EQ(CommitPollTime(work, "2.5").refocus, IORecField::None);
    EXPECT_EQ(PollTimeFieldText(work.GetPollTime()), "2.50");
    EXPECT_EQ(CommitPollTime(work, "86400.5").refocus, IORecField::PollTime);
    EXPECT_EQ(work.GetPollTime(), 2.5f);
    EXPECT_EQ(CommitAccessTime(work, "12").refocus, IORecField::None);
    EXPECT_EQ(AccessTimeFieldText(work.GetAccessTime()), "12.0");
    EXPECT_EQ(ui.Ids(), (std::vector<int>{10460}));
    EXPECT_FALSE(CommitPollTime(work, "3").markModified); // OK decides by comparing the copy
}

TEST(IORecFieldTexts, TimesAreTrimmedFixedPointOrDisabled)
{
    EXPECT_EQ(PollTimeFieldText(1.0f), "1.00");
    EXPECT_EQ(PollTimeFieldText(86400.0f), "86400.00"); // fills the width: nothing to cut
    EXPECT_EQ(PollTimeFieldText(-1.0f), "Disabled");
    EXPECT_EQ(AccessTimeFieldText(300.0f), "300.0");
    EXPECT_EQ(AccessTimeFieldText(172800.0f), "172800.0");
    EXPECT_EQ(AccessTimeFieldText(172801.0f), "Disabled");
    EXPECT_EQ(DeadBandFieldText(0.0f), "0");
    EXPECT_EQ(DeadBandFieldText(2.5f), "2.5");
}

TEST_F(IORecFieldsTest, ExceptionTypeSetsAccessTimeAndDeadBand)
{
    Open(*first);
    work.SetDeadBandValue(0.0f);
    ApplyExceptionType(work, 1); // Analog
    EXPECT_TRUE(DeadBandEnabled(work));
    EXPECT_EQ(work.GetAccessTime(), 172801.0f);
    // An access time is refused while an exception type is chosen.
    EXPECT_EQ(CommitAccessTime(work, "12").refocus, IORecField::AccessTime);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{10453}));
    EXPECT_EQ(CommitDeadBand(work, "1.5").refocus, IORecField::None);

    ApplyExceptionType(work, 0); // Disabled
    EXPECT_FALSE(DeadBandEnabled(work));
    EXPECT_EQ(work.GetAccessTime(), 300.0f);
    EXPECT_EQ(work.GetDeadBand(), 0.0f);
    EXPECT_EQ(work.GetExceptionTypeIndex(), 0);

    ApplyExceptionType(work, 2); // Digital
    EXPECT_FALSE(DeadBandEnabled(work));
    EXPECT_EQ(work.GetAccessTime(), 172801.0f);
}

TEST_F(IORecFieldsTest, DeadBandRefusesNegativeValuesAndNonNumbers)
{
    Open(*first);
    work.SetDeadBandValue(1.0f);
    EXPECT_EQ(CommitDeadBand(work, "-0.5").refocus, IORecField::DeadBand);
    EXPECT_EQ(CommitDeadBand(work, "lots").refocus, IORecField::DeadBand);
    EXPECT_EQ(CommitDeadBand(work, "2x").refocus, IORecField::DeadBand);
    EXPECT_EQ(work.GetDeadBand(), 1.0f);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{10500, 61713, 61713}));
    EXPECT_EQ(ui.Texts()[0], "Deadband can't be negative");
    EXPECT_EQ(ui.messages[0].icon, kvz::MsgIcon::Exclamation);
    EXPECT_EQ(ui.Texts()[1], "Please enter a number.");
    EXPECT_EQ(CommitDeadBand(work, "0").refocus, IORecField::None);
    EXPECT_EQ(work.GetDeadBand(), 0.0f);
}

TEST_F(IORecFieldsTest, NewRecordDefaultsTakeTheDevicesFamily)
{
    auto ti = AddDevice(channel, "TI", kPlcTi);
    auto record = NewPollRecordFor(ti);
    EXPECT_EQ(record->GetPlcFamily(), 2);
    EXPECT_EQ(record->GetDevice(), ti);
    EXPECT_EQ(record->GetLength(), 0);
    EXPECT_EQ(record->GetPollTime(), 1.0f);
    EXPECT_EQ(record->GetAccessTime(), 300.0f);
    EXPECT_EQ(ti->IORecCount(), 0u); // not added

    // Reset in place: a working copy of an S7 record with a data block becomes a fresh S5 record.
    work.CopySettingsFrom(*AddRecord(device, "DB10,DBW0"));
    FillNewRecordDefaults(work, AddDevice(channel, "S5", kPlcS5));
    EXPECT_EQ(work.GetPlcFamily(), 0);
    EXPECT_EQ(work.GetDataBlock(), 0);
    EXPECT_EQ(work.GetAddressText(1), "--Undefined--");
}

} // namespace
