#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/model_message.h"
#include "model/string_table.h"
#include "model/tree_state.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace
{

using Record = std::array<uint8_t, kDeviceRecordSize>;

void PutText(Record &r, size_t off, const char *text)
{
    std::memcpy(&r[off], text, std::strlen(text));
}

class DeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetPollRecordCount();
        PublishChannelList(&channels);
        iso = AddChannel(0, 0);
        tcp = AddChannel(1, 1);
    }
    void TearDown() override
    {
        channels.clear();
        PublishChannelList(nullptr);
    }
    CDrvSpecificChannel *AddChannel(uint16_t number, uint16_t protocolIndex)
    {
        auto c = std::make_unique<CDrvSpecificChannel>();
        c->SetChannelNumberValue(number);
        c->SetProtocolIndex(protocolIndex);
        channels.push_back(std::move(c));
        return static_cast<CDrvSpecificChannel *>(channels.back().get());
    }

    kvz::test::RecordingUi ui;
    ChannelList channels;
    CDrvSpecificChannel *iso = nullptr;
    CDrvSpecificChannel *tcp = nullptr;
};

TEST_F(DeviceTest, StartsWithTheDefaultsOfItsChannelsProtocol)
{
    CDrvSpecificDevice onIso(iso), onTcp(tcp);
    EXPECT_EQ(onIso.GetAddressText(0), "080006010001");
    EXPECT_EQ(onTcp.GetAddressText(0), "192.168.0.1");
    EXPECT_EQ(onTcp.GetPlcTypeText(), "S7 300");
    EXPECT_EQ(onTcp.GetPlcTypeValue(), 1);
    EXPECT_EQ(onTcp.GetPlcFamily(), 1);
    EXPECT_EQ(onTcp.GetReadTsap(), "R=0;S=2");
    EXPECT_EQ(onTcp.GetWriteTsap(), "Not used");
    EXPECT_EQ(onTcp.GetAddressText(1), "DISABLED");
    EXPECT_EQ(onTcp.GetBackupReadTsap(), "DISABLED");
    EXPECT_FALSE(onTcp.GetBackupConnectionEnabled());
    EXPECT_FALSE(onTcp.GetBackupChannelEnabled());
}

struct AddressCase {
    bool onIso;
    int backup;
    const char *text;
    int result;
    int message; // 0: none
};

TEST_F(DeviceTest, SetAddressFollowsTheChannelsProtocol)
{
    const AddressCase cases[] = {
        {true, 0, "08000601000A", 1, 0},
        {true, 0, "08000601000a", 1, 0},
        {true, 0, "0800060100", 0, 4045},
        {true, 0, "08000601000G", 0, 4045},
        {true, 0, "", 0, 4045},
        {true, 0, "08000601000AB", 0, 4045},
        {true, 1, "08000601000B", 1, 0},
        {false, 0, "192.168.0.1", 1, 0},
        {false, 0, "192.168.0.256", 0, 4052},
        {false, 0, "192.168.0", 0, 4052},
        {false, 0, "1.2.3.4.5", 1, 0},
        {false, 0, "1..2.3.4", 1, 0},
        {false, 0, "192.168.0.1a", 0, 4052},
        {false, 0, "", 0, 4052},
        {false, 0, "10.0.0.99999999999999999999", 0, 4052},
        {false, 1, "10.0.0.2", 1, 0},
    };
    for (const AddressCase &c : cases) {
        ui.Clear();
        CDrvSpecificDevice d(c.onIso ? static_cast<CChannel *>(iso) : tcp);
        std::string before = c.backup ? d.GetBackupAddress() : d.GetAddressText(0);
        EXPECT_EQ(d.SetAddress(c.text, c.backup), c.result) << c.text;
        std::string after = c.backup ? d.GetBackupAddress() : d.GetAddressText(0);
        EXPECT_EQ(after, c.result ? std::string(c.text) : before) << c.text;
        if (c.message) {
            ASSERT_EQ(ui.Ids(), std::vector<int>{c.message}) << c.text;
        } else {
            EXPECT_TRUE(ui.messages.empty()) << c.text;
        }
    }
    EXPECT_EQ(LoadModelString(4045), "Please enter a valid ethernet address.\n");
    EXPECT_EQ(LoadModelString(4052), "Please enter a valid IP address.\neg. 192.168.0.1");
}

TEST_F(DeviceTest, AnUnknownProtocolRejectsEveryAddressSilently)
{
    CDrvSpecificChannel *odd = AddChannel(2, 7);
    CDrvSpecificDevice d(odd);
    EXPECT_EQ(d.SetAddress("192.168.0.1", 0), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeviceTest, ABackupAddressHoldingDisDisablesTheBackup)
{
    CDrvSpecificDevice d(tcp);
    d.SetAddress("10.0.0.2", 1);
    d.SetBackupReadTsap("R=0;S=3");
    d.FlipBackupConnectionEnabled();
    EXPECT_EQ(d.GetAddressText(1), "10.0.0.2");
    EXPECT_EQ(d.SetAddress("DISABLE", 1), 1);
    EXPECT_EQ(d.GetBackupAddress(), "DISABLED");
    EXPECT_EQ(d.GetBackupReadTsap(), "DISABLED");
    EXPECT_EQ(d.GetBackupWriteTsap(), "DISABLED");
    EXPECT_FALSE(d.GetBackupConnectionEnabled());
    EXPECT_EQ(d.SetAddress("DIS", 0), 0); // only the backup address takes it
}

TEST_F(DeviceTest, RejectedTsapsFallBackToTheirDefaults)
{
    CDrvSpecificDevice d(tcp);
    EXPECT_EQ(d.SetReadTsap("TSAP12345"), 0);
    EXPECT_EQ(d.GetReadTsap(), "READREAD");
    EXPECT_EQ(d.SetWriteTsap(""), 0);
    EXPECT_EQ(d.GetWriteTsap(), "WRITWRIT");
    EXPECT_EQ(d.SetBackupReadTsap(""), 0);
    EXPECT_EQ(d.GetBackupReadTsap(), "READREAD");
    EXPECT_EQ(d.SetBackupWriteTsap("123456789"), 0);
    EXPECT_EQ(d.GetBackupWriteTsap(), "WRITWRIT");
    EXPECT_EQ(ui.Ids(), (std::vector<int>{4044, 4044, 4044, 4044}));
    EXPECT_EQ(ui.messages[0].text, "Please enter a valid TSAP_ID.\n");
    EXPECT_EQ(d.SetReadTsap("12345678"), 1);
    EXPECT_EQ(d.GetReadTsap(), "12345678");
}

TEST_F(DeviceTest, SetPlcTypeMatchesByMinimumLength)
{
    CDrvSpecificDevice d(tcp);
    EXPECT_EQ(d.SetPlcType("S7 15"), 1);
    EXPECT_EQ(d.GetPlcTypeText(), "S7 1500");
    EXPECT_EQ(d.GetPlcTypeIndex(), 2);
    EXPECT_EQ(d.SetPlcType("S6"), 0);
    EXPECT_EQ(d.GetPlcTypeText(), "S7 1500");
    EXPECT_EQ(ui.Ids(), std::vector<int>{4054});
    EXPECT_EQ(ui.messages[0].text, "Invalid PLC type");
    d.SetPlcType("Simatic");
    EXPECT_EQ(d.GetPlcFamily(), 2);
    d.SetPlcType("S5");
    EXPECT_EQ(d.GetPlcFamily(), 0);
}

TEST(PlcTypeRules, FamiliesTsapDefaultsAndWhatAChangeKeeps)
{
    EXPECT_EQ(PlcFamilyOf(0), 0);
    for (uint16_t v : {1, 3, 4, 5, 6})
        EXPECT_EQ(PlcFamilyOf(v), 1);
    EXPECT_EQ(PlcFamilyOf(2), 2);
    EXPECT_EQ(PlcFamilyOf(7), -1);
    EXPECT_STREQ(PlcTypeTsapDefaults(kPlcS7_200).first, "CP243");
    EXPECT_STREQ(PlcTypeTsapDefaults(kPlcS7_400).first, "R=0;S=3");
    EXPECT_STREQ(PlcTypeTsapDefaults(kPlcS7_1500).first, "R=0;S=1");
    EXPECT_STREQ(PlcTypeTsapDefaults(kPlcTi).second, "WRITWRIT");
    EXPECT_STREQ(PlcTypeTsapDefaults(kPlcS7_300).second, "Not Used");
    EXPECT_TRUE(PlcTypeChangeKeepsTsaps(kPlcS7_300, kPlcS7_400));
    EXPECT_FALSE(PlcTypeChangeKeepsTsaps(kPlcS7_300, kPlcS7_200));
    EXPECT_TRUE(PlcTypeChangeKeepsPollRecords(kPlcS7_200, kPlcS7_1500));
    EXPECT_FALSE(PlcTypeChangeKeepsPollRecords(kPlcS7_300, kPlcS5));
    EXPECT_FALSE(PlcTypeChangeKeepsPollRecords(kPlcS5, kPlcTi));
}

// The record of a TCP/IP device with a backup connection, every byte placed by hand.
Record ExpectedTcpRecord()
{
    Record r{};
    PutText(r, 4, "PRESS_7");
    PutText(r, 16, "Line 7, main press");
    r[66] = 4; // S7 400
    PutText(r, 72, "192.168.0.1");
    r[85] = 1;
    r[86] = 0;
    r[87] = 168;
    r[88] = 192;
    PutText(r, 91, "R=0;S=3");
    PutText(r, 100, "Not Used");
    PutText(r, 117, "10.1.2.3");
    r[130] = 3;
    r[131] = 2;
    r[132] = 1;
    r[133] = 10;
    PutText(r, 136, "R=0;S=4");
    PutText(r, 145, "W1");
    r[166] = 1;
    r[170] = 1;
    return r;
}

TEST_F(DeviceTest, WritesTheTcpRecordByteByByteAndReadsItBack)
{
    CDrvSpecificDevice d(tcp);
    d.SetName("PRESS_7");
    d.SetDescription("Line 7, main press");
    d.SetPlcType("S7 400");
    d.SetReadTsap("R=0;S=3");
    d.SetWriteTsap("Not Used");
    d.SetAddress("10.1.2.3", 1);
    d.SetBackupReadTsap("R=0;S=4");
    d.SetBackupWriteTsap("W1");
    d.FlipBackupConnectionEnabled();
    d.FlipBackupChannelEnabled();
    Record r;
    r.fill(0x5A);
    d.WriteRecord(r);
    Record expected = ExpectedTcpRecord();
    for (size_t i = 0; i < r.size(); ++i)
        EXPECT_EQ(r[i], expected[i]) << "byte " << i;

    CDrvSpecificDevice back(tcp);
    EXPECT_EQ(back.ReadRecord(r, false), 1);
    EXPECT_EQ(back.GetName(), "PRESS_7");
    EXPECT_EQ(back.GetDescription(), "Line 7, main press");
    EXPECT_EQ(back.GetPlcTypeText(), "S7 400");
    EXPECT_EQ(back.GetAddressText(0), "192.168.0.1");
    EXPECT_EQ(back.GetAddressText(1), "10.1.2.3");
    EXPECT_EQ(back.GetReadTsap(), "R=0;S=3");
    EXPECT_EQ(back.GetWriteTsap(), "Not Used");
    EXPECT_EQ(back.GetBackupReadTsap(), "R=0;S=4");
    EXPECT_EQ(back.GetBackupWriteTsap(), "W1");
    EXPECT_TRUE(back.GetBackupConnectionEnabled());
    EXPECT_TRUE(back.GetBackupChannelEnabled());
    Record again;
    back.WriteRecord(again);
    EXPECT_EQ(again, r);
}

TEST_F(DeviceTest, WritesTheIsoRecordWithTheEthernetBytes)
{
    CDrvSpecificDevice d(iso);
    d.SetName("K1");
    d.SetAddress("08000601000A", 0);
    Record r;
    d.WriteRecord(r);
    const uint8_t mac[] = {0x08, 0x00, 0x06, 0x01, 0x00, 0x0A};
    EXPECT_EQ(std::memcmp(&r[85], mac, 6), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&r[72])), "08000601000A");
    EXPECT_EQ(r[84], 0);
    EXPECT_EQ(r[66], 1);
    // The backup address text is written even while the backup is disabled; its bytes are not.
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&r[117])), "DISABLED");
    for (size_t i = 130; i < 136; ++i)
        EXPECT_EQ(r[i], 0) << i;
    EXPECT_EQ(r[166], 0);

    CDrvSpecificDevice back(iso);
    EXPECT_EQ(back.ReadRecord(r, false), 0);
    EXPECT_EQ(back.GetAddressText(0), "08000601000A");
    EXPECT_EQ(back.GetBackupAddress(), "DISABLED");
    EXPECT_FALSE(back.GetBackupConnectionEnabled());
}

TEST_F(DeviceTest, AnIpOctetAbove255ContributesZero)
{
    CDrvSpecificDevice d(iso);
    d.SetAddress("08000601000A", 0); // stored as typed, then the channel switches to TCP/IP
    d.SetChannel(tcp);
    Record r;
    d.WriteRecord(r);
    EXPECT_EQ(r[85] | r[86] | r[87] | r[88], 0);
}

TEST_F(DeviceTest, ReadsTheOlderLayoutAndDropsTheBackupWhenByte166IsZero)
{
    Record r = ExpectedTcpRecord();
    std::memset(&r[4], 0, 48);
    PutText(r, 4, "OLD");
    PutText(r, 10, "older description");
    r[166] = 0;
    CDrvSpecificDevice d(tcp);
    EXPECT_EQ(d.ReadRecord(r, true), 0);
    EXPECT_EQ(d.GetName(), "OLD");
    EXPECT_EQ(d.GetDescription(), "older description");
    EXPECT_EQ(d.GetBackupAddress(), "DISABLED");
    EXPECT_EQ(d.GetBackupReadTsap(), "DISABLED");
    EXPECT_EQ(d.GetBackupWriteTsap(), "DISABLED");
    EXPECT_FALSE(d.GetBackupChannelEnabled());
    EXPECT_FALSE(d.GetBackupConnectionEnabled());
}

TEST_F(DeviceTest, ReadsUnterminatedTextsWithinTheirFields)
{
    Record r;
    r.fill('X');
    r[166] = 0;
    CDrvSpecificDevice d(iso);
    d.ReadRecord(r, false);
    EXPECT_EQ(d.GetName(), std::string(11, 'X'));
    EXPECT_EQ(d.GetDescription(), std::string(35, 'X'));
    EXPECT_EQ(d.GetAddressText(0), std::string(12, 'X'));
    EXPECT_EQ(d.GetReadTsap(), std::string(8, 'X'));
    EXPECT_EQ(d.GetPlcTypeText(), "*?*"); // 0x5858 is no PLC type
}

TEST_F(DeviceTest, WritesTheCsvHeaderAndLine)
{
    CDrvSpecificDevice d(tcp);
    d.SetName("PRESS_7");
    d.SetDescription("Line 7, \"main\" press");
    d.SetChannelNumber(2);
    std::string header;
    d.WriteCsvHeader(header, ",");
    EXPECT_EQ(header, "DEVICE NAME,CHANNEL,DESCRIPTION,ETHERNET ADDRESS,READ TSAP ID,WRITE TSAP ID,PLC_type,"
                      "Backup Ethernet addr,Backup read TSAP,Backup Write TSAP,");
    std::string line;
    d.WriteCsv(line, ",");
    EXPECT_EQ(line, "PRESS_7,2,\"Line 7, \"\"main\"\" press\",E192.168.0.1,R=0;S=2,Not used,S7 300,EDISABLED,"
                    "DISABLED,DISABLED");
    line.clear();
    d.WriteCsv(line, ";");
    EXPECT_EQ(line, "PRESS_7;2;\"Line 7, \"\"main\"\" press\";E192.168.0.1;\"R=0;S=2\";Not used;S7 300;"
                    "EDISABLED;DISABLED;DISABLED");
}

TEST_F(DeviceTest, ReadsItsCsvLine)
{
    CDrvSpecificDevice d(iso);
    bool ignored = false;
    std::string line = "K2,0,Kiln,E080006010001,READREAD,WRITWRIT,S5 Series,E08000601000B,R1,W1\r\n";
    std::string_view cursor = line;
    EXPECT_TRUE(d.ReadCsv(cursor, ",", ignored));
    EXPECT_FALSE(ignored);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(d.GetName(), "K2");
    EXPECT_EQ(d.GetChannel(), iso);
    EXPECT_EQ(d.GetChannelNumber(), 0);
    EXPECT_EQ(d.GetDescription(), "Kiln");
    EXPECT_EQ(d.GetAddressText(0), "080006010001");
    EXPECT_EQ(d.GetPlcTypeText(), "S5 Series");
    EXPECT_TRUE(d.GetBackupConnectionEnabled());
    EXPECT_EQ(d.GetAddressText(1), "08000601000B");
    EXPECT_EQ(d.GetBackupReadTsap(), "R1");

    // What the device writes, it reads back.
    std::string out;
    d.WriteCsv(out, ",");
    CDrvSpecificDevice copy(tcp);
    std::string_view c2 = out;
    EXPECT_TRUE(copy.ReadCsv(c2, ",", ignored));
    std::string again;
    copy.WriteCsv(again, ",");
    EXPECT_EQ(again, out);
}

TEST_F(DeviceTest, CsvLinesThatNameNoDeviceOrChannelAreIgnored)
{
    struct Case {
        const char *line;
        bool result;
        bool ignored;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"", false, true, {10437}},
        {"K3", false, true, {10434}},
        {"K3,9,x", false, true, {10434}}, // no channel 9
        {"K3,abc,x", false, true, {10434}},
        {"K3,1,Desc", false, false, {}}, // a missing column ends the line
        {"K3,1,Desc,E10.0.0.300,R,W,S7 300,EDISABLED,DISABLED,DISABLED", true, false, {4052}},
        {"NAME_TOO_LONG,1,Desc,E10.0.0.3,R,W,S7 300,E10.0.0.4", false, false, {10411}},
        {"K3,1,Desc,E10.0.0.3,R,W,S7 9,Ebad,X,Y", true, false, {4054, 4052}},
    };
    for (const Case &c : cases) {
        ui.Clear();
        CDrvSpecificDevice d(iso);
        bool ignored = false;
        std::string_view cursor = c.line;
        EXPECT_EQ(d.ReadCsv(cursor, ",", ignored), c.result) << c.line;
        EXPECT_EQ(ignored, c.ignored) << c.line;
        EXPECT_EQ(ui.Ids(), c.messages) << c.line;
    }
    EXPECT_EQ(LoadModelString(10434), "CHANNEL NUMBER not found. Line ignored!");
}

TEST_F(DeviceTest, ARejectedBackupAddressLeavesTheBackupDisabled)
{
    CDrvSpecificDevice d(tcp);
    bool ignored = false;
    std::string_view cursor = "K4,1,,E10.0.0.3,R,W,S7 300,E10.0.0.999,RB,WB";
    EXPECT_TRUE(d.ReadCsv(cursor, ",", ignored));
    EXPECT_FALSE(d.GetBackupConnectionEnabled());
    EXPECT_EQ(d.GetAddressText(1), "DISABLED");
}

TEST_F(DeviceTest, MessagesOfACsvLineGoToTheImportRedirect)
{
    std::vector<std::string> log;
    ScopedModelMessageRedirect redirect([&](const std::string &text) { log.push_back(text); });
    CDrvSpecificDevice d(iso);
    bool ignored = false;
    std::string_view cursor = "K5,7";
    EXPECT_FALSE(d.ReadCsv(cursor, ",", ignored));
    EXPECT_TRUE(ignored);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(log, std::vector<std::string>{"CHANNEL NUMBER not found. Line ignored!"});
}

} // namespace
