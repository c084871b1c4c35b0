// The generic parts of channels, devices and poll records, through minimal concrete classes.
#include "model/channel.h"
#include "model/device.h"
#include "model/dictionaries.h"
#include "model/iorec.h"
#include "model/live_status.h"
#include "model/tree_state.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>

namespace
{

class PlainChannel : public CChannel
{
public:
    bool ReadCsv(std::string_view &, std::string_view, bool &) override { return false; }
    void WriteCsv(std::string &, std::string_view) const override {}
    void WriteCsvHeader(std::string &, std::string_view) const override {}
};

class PlainDevice : public CDevice
{
public:
    explicit PlainDevice(CChannel *c) : CDevice(c) {}
    int ReadRecord(DeviceRecordView r, bool older) override
    {
        ReadNameAndDescription(r, older);
        return 0;
    }
    bool ReadCsv(std::string_view &, std::string_view, bool &) override { return false; }
};

class PlainIORec : public CIORec
{
public:
    int ReadRecord(IORecRecordView) override { return 0; }
    void WriteRecord(IORecRecordBuffer) const override {}
    void ShowInList(int, IListControl &) override {}
    bool ReadCsv(std::string_view &, std::string_view, bool &) override { return false; }
    void WriteCsv(std::string &, std::string_view) const override {}
};

struct SetterCase {
    const char *what;
    std::function<int()> set;
    int message;                 // 0: accepted
    const char *text;            // the message text
    std::function<bool()> holds; // the field afterwards
};

class ValidatedSetters : public testing::Test
{
protected:
    kvz::test::RecordingUi ui;
    PlainChannel channel;
    PlainDevice device{&channel};
    PlainIORec record;
};

TEST_F(ValidatedSetters, RejectWithTheirMessageAndKeepTheField)
{
    const std::string rt = "Invalid Reply Timeout Value (Valid Range   0.10 - 1800.00)";
    const std::string delay = "Invalid Delay Value (Valid Range   0.00 - 3600.00)";
    const std::string poll = "Invalid Poll Time (Valid Range   0.00 - 86400.00)";
    const std::string access = "Invalid Access Time (Valid Range   0.00 - 172800.00)\nOr \"Disabled\"";
    auto &p = channel.Primary();
    auto &b = channel.Backup();
    const SetterCase cases[] = {
        {"reply timeout 0.05", [&] { return channel.SetReplyTimeout("0.05", 0); }, 10462, rt.c_str(),
         [&] { return p.replyTimeout == 1.0f; }},
        {"reply timeout empty", [&] { return channel.SetReplyTimeout("", 0); }, 10462, rt.c_str(),
         [&] { return p.replyTimeout == 1.0f; }},
        {"reply timeout 1800", [&] { return channel.SetReplyTimeout("1800", 0); }, 0, "",
         [&] { return p.replyTimeout == 1800.0f; }},
        {"reply timeout 0.1 backup", [&] { return channel.SetReplyTimeout("0.1", 1); }, 0, "",
         [&] { return b.replyTimeout == 0.1f && p.replyTimeout == 1800.0f; }},
        {"retries 10", [&] { return channel.SetRetries("10", 0); }, 10463,
         "Invalid Retry Value (Valid Range 0 - 9)", [&] { return p.retries == 3; }},
        {"retries 65545", [&] { return channel.SetRetries("65545", 0); }, 10463,
         "Invalid Retry Value (Valid Range 0 - 9)", [&] { return p.retries == 3; }},
        {"retries -1", [&] { return channel.SetRetries("-1", 0); }, 10463,
         "Invalid Retry Value (Valid Range 0 - 9)", [&] { return p.retries == 3; }},
        {"retries empty", [&] { return channel.SetRetries("", 0); }, 0, "", [&] { return p.retries == 0; }},
        {"retries 9 backup", [&] { return channel.SetRetries("9", 1); }, 0, "",
         [&] { return b.retries == 9; }},
        {"delay 0", [&] { return channel.SetDelay("0", 0); }, 0, "", [&] { return p.delay == 0.0f; }},
        {"delay 3600", [&] { return channel.SetDelay("3600", 0); }, 0, "",
         [&] { return p.delay == 3600.0f; }},
        {"delay 3600.5", [&] { return channel.SetDelay("3600.5", 0); }, 10456, delay.c_str(),
         [&] { return p.delay == 3600.0f; }},
        {"delay nan", [&] { return channel.SetDelay("nan", 0); }, 10456, delay.c_str(),
         [&] { return p.delay == 3600.0f; }},
        {"name of 11", [&] { return device.SetName("ABCDEFGHIJK"); }, 0, "",
         [&] { return device.GetName() == "ABCDEFGHIJK"; }},
        {"name of 12", [&] { return device.SetName("ABCDEFGHIJKL"); }, 10411,
         "DEVICE NAME is more than the maximum length.", [&] { return device.GetName() == "ABCDEFGHIJK"; }},
        {"name with colon", [&] { return device.SetName("PLC:1"); }, 10509,
         "The devicename may not include any of the following characters \":,|&\"",
         [&] { return device.GetName() == "ABCDEFGHIJK"; }},
        {"name with ampersand", [&] { return device.SetName("A&B"); }, 10509,
         "The devicename may not include any of the following characters \":,|&\"",
         [&] { return device.GetName() == "ABCDEFGHIJK"; }},
        {"description of 35", [&] { return device.SetDescription(std::string(35, 'd')); }, 0, "",
         [&] { return device.GetDescription().size() == 35; }},
        {"description of 36", [&] { return device.SetDescription(std::string(36, 'e')); }, 10410,
         "DEVICE DESCRIPTION is more than the maximum length.",
         [&] { return device.GetDescription() == std::string(35, 'd'); }},
        {"poll time 86400", [&] { return record.SetPollTime("86400"); }, 0, "",
         [&] { return record.GetPollTime() == 86400.0f; }},
        {"poll time 86400.5", [&] { return record.SetPollTime("86400.5"); }, 10460, poll.c_str(),
         [&] { return record.GetPollTime() == 86400.0f; }},
        {"poll time DISABLED", [&] { return record.SetPollTime("DISABLED"); }, 0, "",
         [&] { return record.GetPollTime() == -1.0f; }},
        {"access time 172800.5", [&] { return record.SetAccessTime("172800.5"); }, 10452, access.c_str(),
         [&] { return record.GetAccessTime() == 300.0f; }},
        {"access time 5", [&] { return record.SetAccessTime("5"); }, 0, "",
         [&] { return record.GetAccessTime() == 5.0f; }},
        {"dead band -0.1", [&] { return record.SetDeadBand("-0.1"); }, 10408,
         "DEAD BAND specified is invalid.", [&] { return record.GetDeadBand() == 0.0f; }},
        {"dead band empty", [&] { return record.SetDeadBand(""); }, 10408, "DEAD BAND specified is invalid.",
         [&] { return record.GetDeadBand() == 0.0f; }},
        {"dead band 2.5", [&] { return record.SetDeadBand("2.5"); }, 0, "",
         [&] { return record.GetDeadBand() == 2.5f; }},
        {"dead band 0", [&] { return record.SetDeadBand("0"); }, 0, "",
         [&] { return record.GetDeadBand() == 0.0f; }},
    };
    for (const SetterCase &c : cases) {
        ui.Clear();
        EXPECT_EQ(c.set(), c.message) << c.what;
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1u) << c.what;
            EXPECT_EQ(ui.messages[0].id, c.message) << c.what;
            EXPECT_EQ(ui.messages[0].text, c.text) << c.what;
        } else {
            EXPECT_TRUE(ui.messages.empty()) << c.what;
        }
        EXPECT_TRUE(c.holds()) << c.what;
    }
}

TEST_F(ValidatedSetters, AccessTimeOfAnExceptionRecordAcceptsOnlyDisabled)
{
    record.SetExceptionType("Analog", Exception_dct);
    EXPECT_EQ(record.SetAccessTime("5"), 10453);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Invalid for exception based poll record\n\n(Valid entry: DISABLED)");
    EXPECT_EQ(record.GetAccessTime(), 300.0f);
    EXPECT_EQ(record.SetAccessTime("dIsAbLeD"), 0);
    EXPECT_EQ(record.GetAccessTime(), 172801.0f);
    EXPECT_EQ(record.GetAccessTimeText(), "Disabled");
}

TEST(ChannelSettings, DictionarySettersAndTexts)
{
    kvz::test::RecordingUi ui;
    PlainChannel c;
    EXPECT_EQ(c.GetPortText(), "NONE");
    EXPECT_EQ(c.GetBaudRateText(), "9600");
    EXPECT_EQ(c.GetDataBitsText(), "8");
    EXPECT_EQ(c.GetParityText(), "None");
    EXPECT_EQ(c.GetFlowControlText(), "None");
    EXPECT_EQ(c.GetStopBitsText(), "1");
    EXPECT_EQ(c.GetReplyTimeoutText(), "1.0");
    EXPECT_EQ(c.GetDelayText(), "10.0");
    EXPECT_EQ(c.GetRetriesText(), "3");

    c.SetPort("COM12:", 0);
    EXPECT_EQ(c.Primary().port, 12);
    EXPECT_EQ(c.GetPortText(), "COM12:");
    c.SetPort("None", 0);
    EXPECT_EQ(c.Primary().port, 0);
    c.SetPort("LPT1", 1);
    EXPECT_EQ(c.Backup().port, 0);
    c.SetPort("COM3:", 1);
    EXPECT_EQ(c.GetBackupPortText(), "COM3:");

    c.SetBaudRate("9", 1);
    EXPECT_EQ(c.GetBackupBaudRateText(), "9600");
    c.SetBaudRate("12", 0); // matches no row: the end row, shown as *?*
    EXPECT_EQ(c.GetBaudRateText(), "*?*");
    c.SetFlowControl("RTS T CTS+CD", 0);
    EXPECT_EQ(c.GetFlowControlText(), "RTS T CTS+CD");
    c.SetParity("E", 1);
    EXPECT_EQ(c.GetBackupParityText(), "Even");

    c.SetDisplayAlarms("yes");
    EXPECT_EQ(c.GetDisplayAlarms(), 0xFE);
    EXPECT_EQ(c.GetDisplayAlarmsText(), "UNDEFINED");
    c.SetDisplayAlarms("No");
    EXPECT_EQ(c.GetDisplayAlarmsText(), "No");
    c.SetCommsAlarmsDisabled("Yes");
    EXPECT_EQ(c.GetCommsAlarmsDisabledText(), "Yes");

    c.SetReplyTimeout("0.126", 0);
    EXPECT_EQ(c.GetReplyTimeoutText(), "0.1");
    c.SetChannelNumber("");
    EXPECT_EQ(c.GetChannelNumberText(), "0");
    c.SetChannelNumber("7");
    EXPECT_EQ(c.GetChannelNumber(), 7);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ChannelSettings, CopyAndCompareCoverBothSetsButNotAlarms)
{
    PlainChannel a, b;
    EXPECT_TRUE(a.ComparePortSettings(b));
    a.SetDelay("20", 1);
    EXPECT_FALSE(a.ComparePortSettings(b));
    b.SetDisplayAlarms("No");
    b.CopyPortSettings(a);
    EXPECT_TRUE(a.ComparePortSettings(b));
    EXPECT_EQ(b.GetDisplayAlarms(), 0);
}

TEST(PollRecordTexts, TimesDeadBandAndNumbers)
{
    PlainIORec r;
    EXPECT_EQ(r.GetPollTimeText(), "1.0");
    EXPECT_EQ(r.GetAccessTimeText(), "300.0");
    EXPECT_EQ(r.GetDeadBandText(), "0.00000");
    EXPECT_EQ(r.GetRecordNumberText(), "-1");
    r.SetPollTime("Disabled");
    EXPECT_EQ(r.GetPollTimeText(), "Disabled");
    r.SetDataType("Long S", Data_Type_dct);
    EXPECT_EQ(r.GetDataTypeText(Data_Type_dct), "Long Signed");
    r.SetExceptionType("Dig", Exception_dct);
    EXPECT_EQ(r.GetExceptionTypeIndex(), 2);
    r.SetRecordNumber("12");
    EXPECT_EQ(r.GetRecordNumber(), 12);
    std::string header;
    r.WriteCsvHeader(header, ",");
    EXPECT_EQ(header, "IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND");
    header.clear();
    r.WriteCsvHeader(header, " ");
    EXPECT_EQ(header,
              "IOREC \"DEVICE NAME\" \"DATA TYPE\" \"POLL TIME\" \"ACCESS TIME\" EXCEPTION \"DEAD BAND\"");
}

TEST(PollRecordCopy, CopiesAndComparesTheSettings)
{
    PlainChannel c;
    PlainDevice d(&c);
    PlainIORec a, b;
    a.SetDevice(&d);
    a.SetStartAddress(0x300010);
    a.SetLengthValue(4);
    a.SetDeadBand("1.5");
    a.SetRecordNumberValue(5);
    EXPECT_FALSE(b.CompareSettings(a));
    b.CopySettingsFrom(a);
    EXPECT_TRUE(b.CompareSettings(a));
    EXPECT_EQ(b.GetDevice(), &d);
    EXPECT_EQ(b.GetRecordNumber(), -1); // the number is not a setting
}

class TreeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetPollRecordCount();
        PublishChannelList(&channels);
    }
    void TearDown() override
    {
        channels.clear();
        PublishChannelList(nullptr);
        ResetPollRecordCount();
    }
    CChannel *AddChannel(uint16_t number)
    {
        channels.push_back(std::make_unique<PlainChannel>());
        channels.back()->SetChannelNumberValue(number);
        return channels.back().get();
    }
    CDevice *AddDevice(CChannel *c, const char *name)
    {
        auto d = std::make_unique<PlainDevice>(c);
        d->SetName(name);
        return c->AddDevice(std::move(d));
    }
    ChannelList channels;
};

TEST_F(TreeTest, PollRecordCountFollowsAddAndRemove)
{
    CDevice *d = AddDevice(AddChannel(0), "D1");
    CIORec *r1 = d->AddIORec(std::make_unique<PlainIORec>());
    EXPECT_EQ(d->GetCurrentIORec(), r1);
    CIORec *r2 = d->AddIORec(std::make_unique<PlainIORec>());
    EXPECT_EQ(d->GetCurrentIORec(), r2);
    EXPECT_EQ(GetPollRecordCount(), 2);

    PlainIORec stranger;
    EXPECT_EQ(d->RemoveIORec(&stranger), nullptr);
    EXPECT_EQ(GetPollRecordCount(), 2);

    std::unique_ptr<CIORec> back = d->RemoveIORec(r2);
    EXPECT_EQ(back.get(), r2);
    EXPECT_EQ(GetPollRecordCount(), 1);
    EXPECT_EQ(d->GetCurrentIORec(), nullptr); // never left pointing at a removed record
    EXPECT_EQ(d->IORecCount(), 1u);

    // A device destroyed with its records takes them out of the count.
    std::unique_ptr<CDevice> gone = channels[0]->RemoveDevice(d);
    ASSERT_TRUE(gone);
    gone.reset();
    EXPECT_EQ(GetPollRecordCount(), 0);
}

TEST_F(TreeTest, FindsChannelsAndDevices)
{
    CChannel *c0 = AddChannel(0);
    CChannel *c1 = AddChannel(1);
    AddChannel(1);
    AddDevice(c0, "Press");
    CDevice *kiln = AddDevice(c1, "Kiln");
    EXPECT_EQ(FindChannelByNumber(1), c1);
    EXPECT_EQ(FindChannelByNumber(5), nullptr);
    EXPECT_EQ(FindDeviceByName("KILN"), kiln);
    EXPECT_EQ(FindDeviceByName("Oven"), nullptr);
    EXPECT_EQ(c1->FindDevice("Kiln"), kiln);
    EXPECT_EQ(c1->FindDevice("kiln"), nullptr);
    EXPECT_EQ(c0->FindDevice("Kiln"), nullptr);
}

TEST_F(TreeTest, RemovingHandsOwnershipBackAndClearsCursors)
{
    CChannel *c = AddChannel(0);
    CDevice *d = AddDevice(c, "A");
    c->SetCurrentDevice(d);
    SetCurrentChannelOfTree(c);
    EXPECT_EQ(c->RemoveDevice(nullptr), nullptr);
    auto dev = c->RemoveDevice(d);
    EXPECT_EQ(dev.get(), d);
    EXPECT_EQ(c->GetCurrentDevice(), nullptr);
    auto ch = RemoveChannelFromTree(c);
    EXPECT_EQ(ch.get(), c);
    EXPECT_TRUE(channels.empty());
    EXPECT_EQ(GetCurrentChannel(), nullptr);
}

TEST(DeviceRecordBase, WritesAndReadsNameAndDescription)
{
    PlainChannel c;
    PlainDevice d(&c);
    d.SetName("ABCDEFGHIJK");
    d.SetDescription("Line 3 press");
    std::array<uint8_t, kDeviceRecordSize> r;
    r.fill(0xAA);
    d.WriteRecord(r);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&r[4]), 11), "ABCDEFGHIJK");
    EXPECT_EQ(r[15], 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&r[16])), "Line 3 press");
    EXPECT_EQ(r[195], 0);

    PlainDevice back(&c);
    back.ReadRecord(r, false);
    EXPECT_EQ(back.GetName(), "ABCDEFGHIJK");
    EXPECT_EQ(back.GetDescription(), "Line 3 press");

    // The older layout keeps the description at 10.
    std::array<uint8_t, kDeviceRecordSize> old{};
    std::memcpy(&old[4], "PLC1", 4);
    std::memcpy(&old[10], "Old layout", 10);
    back.ReadRecord(old, true);
    EXPECT_EQ(back.GetName(), "PLC1");
    EXPECT_EQ(back.GetDescription(), "Old layout");

    std::string line;
    back.SetChannelNumber(2);
    back.WriteCsv(line, ",");
    EXPECT_EQ(line, "PLC1,2,Old layout");
}

class FakeImage : public ILiveStatusSource
{
public:
    long ImagePollRecordCount() override { return count; }
    uint16_t ImageStatusWord(long index) override { return words.at(static_cast<size_t>(index)); }
    long count = 0;
    std::vector<uint16_t> words;
};

TEST(LiveStatus, ReadsTheImageAndMarksLearnedRecordsGone)
{
    FakeImage image;
    image.count = 2;
    image.words = {0xE10C, 0x10C9};
    SetLiveStatusSource(&image);
    PlainIORec r;
    bool changed = true;
    EXPECT_EQ(r.ReadLiveStatus(changed), -1); // no record number yet
    EXPECT_FALSE(changed);

    r.SetRecordNumberValue(0);
    EXPECT_EQ(r.ReadLiveStatus(changed), 0x010C);
    EXPECT_TRUE(changed);
    EXPECT_EQ(r.GetLiveStatus(), 0xE10C);
    EXPECT_EQ(r.ReadLiveStatus(changed), 0x010C);
    EXPECT_FALSE(changed);

    r.SetRecordNumberValue(5);
    r.SetLiveStatus(kLiveStatusLearned);
    EXPECT_EQ(r.ReadLiveStatus(changed), -1);
    EXPECT_TRUE(changed);
    EXPECT_EQ(r.GetLiveStatus(), kLiveStatusLearnedGone);

    SetLiveStatusSource(nullptr);
    r.SetRecordNumberValue(0);
    EXPECT_EQ(r.ReadLiveStatus(changed), -1);
    EXPECT_FALSE(changed);
}

} // namespace
