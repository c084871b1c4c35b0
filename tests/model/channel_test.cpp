#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace
{

using Record = std::array<uint8_t, kChannelRecordSize>;

void PutI32(Record &r, size_t off, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        r[off + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

TEST(DrvSpecificChannel, StartsWithItsOwnDefaults)
{
    CDrvSpecificChannel c;
    EXPECT_EQ(c.GetPortText(), "COM1:");
    EXPECT_EQ(c.GetReplyTimeoutText(), "5.0");
    EXPECT_EQ(c.GetDelayText(), "10.0");
    EXPECT_EQ(c.GetRetriesText(), "3");
    EXPECT_EQ(c.GetDisplayAlarmsText(), "Yes");
    EXPECT_EQ(c.GetCommsAlarmsDisabledText(), "No");
    EXPECT_EQ(c.GetProtocolText(), "TCP/IP");
    EXPECT_EQ(c.GetProtocolValue(), 6);
    EXPECT_EQ(c.GetBackupPortText(), "NONE");
    EXPECT_EQ(c.GetBackupReplyTimeoutText(), "1.0");
    EXPECT_TRUE(c.GetEthernetCard().empty());
}

TEST(DrvSpecificChannel, WritesANewChannelByteByByte)
{
    CDrvSpecificChannel c;
    Record r;
    r.fill(0xCC);
    c.WriteRecord(r);
    Record expected{};
    expected[48] = 1; // display alarms "Yes"
    expected[52] = 3; // COM1: (port - 1 = 0), data bits value 3
    expected[51] = 6; // TCP/IP over the baud rate
    expected[57] = 3; // retries
    PutI32(expected, 58, 500);
    PutI32(expected, 62, 1000);
    expected[66] = 0xFF; // no backup port
    expected[67] = 14;   // backup baud rate 9600
    expected[68] = 0xF3; // backup data bits 3 under the high nibble of 0xFFFF
    expected[73] = 3;
    PutI32(expected, 74, 100);
    PutI32(expected, 78, 1000);
    for (size_t i = 0; i < r.size(); ++i)
        EXPECT_EQ(r[i], expected[i]) << "byte " << i;
}

TEST(DrvSpecificChannel, RoundsTimesToHundredthsAndSplitsPortNumbers)
{
    kvz::test::RecordingUi ui;
    CDrvSpecificChannel c;
    c.SetReplyTimeout("0.126", 0);
    c.SetDelay("0.004", 1);
    c.SetPort("COM12:", 1);
    c.SetPort("None", 0);
    c.SetEthernetCardText("eth0 \xC3\xA9");
    c.SetChannelNumberValue(3);
    Record r;
    c.WriteRecord(r);
    EXPECT_EQ(r[58], 13);
    EXPECT_EQ(r[78], 0); // 0.004 s is 0.4 hundredths: + 0.5 truncates to 0
    EXPECT_EQ(r[50], 0xFF);
    EXPECT_EQ(r[0], 0xFF);
    EXPECT_EQ(r[52], 0xF3);
    EXPECT_EQ(r[66], 11);
    EXPECT_EQ(r[68], 0x03);
    EXPECT_EQ(r[116], 'e');
    EXPECT_EQ(r[117], 0);
    EXPECT_EQ(r[126], 0xE9); // U+00E9 as UTF-16 little-endian
    EXPECT_EQ(r[127], 0x00);
    EXPECT_EQ(r[128], 0);

    CDrvSpecificChannel back;
    r[40] = 5;
    r[42] = 2;
    EXPECT_EQ(back.ReadRecord(r), (5u << 16) | 2u);
    EXPECT_EQ(back.Primary().port, 0);
    EXPECT_EQ(back.Backup().port, 12);
    EXPECT_FLOAT_EQ(back.Primary().replyTimeout, 0.13f);
    EXPECT_EQ(back.GetEthernetCardText(), "eth0 \xC3\xA9");
    EXPECT_EQ(back.GetProtocolText(), "TCP/IP");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DrvSpecificChannel, ReadsPortsAboveTheDictionaryAndTheProtocolRule)
{
    Record r{};
    r[50] = 0x23;
    r[52] = 0x13; // bits 8-11 of (port - 1) = 1
    r[66] = 0xFF;
    struct Case {
        uint8_t stored;
        const char *protocol;
    };
    for (Case c : {Case{6, "TCP/IP"}, Case{2, "ISO Industrial Ethernet"}, Case{9, "ISO Industrial Ethernet"},
                   Case{0xFE, "ISO Industrial Ethernet"}}) {
        r[51] = c.stored;
        CDrvSpecificChannel ch;
        ch.ReadRecord(r);
        EXPECT_EQ(ch.GetProtocolText(), c.protocol) << int(c.stored);
        EXPECT_EQ(ch.Primary().port, 0x124);
        EXPECT_EQ(ch.Backup().port, 0);
    }
}

TEST(DrvSpecificChannel, KeepsAtMost127UnitsOfTheCard)
{
    CDrvSpecificChannel c;
    c.SetEthernetCardText(std::string(200, 'n'));
    EXPECT_EQ(c.GetEthernetCard().size(), 127u);
    Record r;
    c.WriteRecord(r);
    EXPECT_EQ(r[116 + 2 * 126], 'n');
    EXPECT_EQ(r[116 + 2 * 127], 0);
    CDrvSpecificChannel back;
    back.ReadRecord(r);
    EXPECT_EQ(back.GetEthernetCard().size(), 127u);
}

TEST(DrvSpecificChannel, WritesItsCsvHeaderAndLine)
{
    CDrvSpecificChannel c;
    c.SetEthernetCardText("Intel(R) PRO/1000");
    std::string header, line;
    c.WriteCsvHeader(header, ",");
    EXPECT_EQ(header, "CHANNEL,DISPLAY ALARMS,REPLY TIMEOUT,DELAY,RETRIES,Protocol,Ethernet card");
    c.WriteCsv(line, ",");
    EXPECT_EQ(line, "0,Yes,5.0,10.0,3,TCP/IP,Intel(R) PRO/1000");
    line.clear();
    c.WriteCsv(line, ";");
    EXPECT_EQ(line, "0;Yes;5.0;10.0;3;TCP/IP;Intel(R) PRO/1000");
    header.clear();
    c.WriteCsvHeader(header, " ");
    EXPECT_EQ(header,
              "CHANNEL \"DISPLAY ALARMS\" \"REPLY TIMEOUT\" DELAY RETRIES Protocol \"Ethernet card\"");
}

TEST(DrvSpecificChannel, ReadsItsCsvLine)
{
    kvz::test::RecordingUi ui;
    CDrvSpecificChannel c;
    bool ignored = true;
    std::string_view cursor = "4, No ,2.5,0,9,ISO Industrial Ethernet,enp0s3\r\n";
    EXPECT_TRUE(c.ReadCsv(cursor, ",", ignored));
    EXPECT_FALSE(ignored);
    EXPECT_EQ(c.GetChannelNumber(), 4);
    EXPECT_EQ(c.GetDisplayAlarmsText(), "No");
    EXPECT_EQ(c.Primary().replyTimeout, 2.5f);
    EXPECT_EQ(c.Primary().delay, 0.0f);
    EXPECT_EQ(c.Primary().retries, 9);
    EXPECT_EQ(c.GetProtocolValue(), 2);
    EXPECT_EQ(c.GetEthernetCardText(), "enp0s3");
    EXPECT_TRUE(ui.messages.empty());

    std::string out;
    c.WriteCsv(out, ",");
    CDrvSpecificChannel copy;
    std::string_view c2 = out;
    EXPECT_TRUE(copy.ReadCsv(c2, ",", ignored));
    std::string again;
    copy.WriteCsv(again, ",");
    EXPECT_EQ(again, out);
}

TEST(DrvSpecificChannel, CsvLinesFailAtTheFirstMissingField)
{
    kvz::test::RecordingUi ui;
    struct Case {
        const char *line;
        bool result;
        bool ignored;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"", false, true, {10434}},
        {"\r\n", false, true, {10434}},
        {"7", false, false, {}}, // only the CHANNEL column: the number is taken
        {"7,Yes,0.05,4000,10,TCP/IP,eth1", true, false, {10462, 10456, 10463}},
        {"7,Yes,5,10,3,TCP/IP", false, false, {}},
        {"7,Yes,5,10,3,UDP,eth1", true, false, {}},
    };
    for (const Case &c : cases) {
        ui.Clear();
        CDrvSpecificChannel ch;
        bool ignored = false;
        std::string_view cursor = c.line;
        EXPECT_EQ(ch.ReadCsv(cursor, ",", ignored), c.result) << c.line;
        EXPECT_EQ(ignored, c.ignored) << c.line;
        EXPECT_EQ(ui.Ids(), c.messages) << c.line;
        if (!c.ignored) {
            EXPECT_EQ(ch.GetChannelNumber(), 7) << c.line;
        }
    }
}

TEST(DrvSpecificChannel, AnUnknownProtocolShowsStarsAndReadsBackAsIso)
{
    CDrvSpecificChannel c;
    bool ignored = false;
    std::string_view cursor = "0,Yes,5,10,3,UDP,eth1";
    ASSERT_TRUE(c.ReadCsv(cursor, ",", ignored));
    EXPECT_EQ(c.GetProtocolText(), "*?*");
    Record r;
    c.WriteRecord(r);
    EXPECT_EQ(r[51], 0xFE);
    CDrvSpecificChannel back;
    back.ReadRecord(r);
    EXPECT_EQ(back.GetProtocolText(), "ISO Industrial Ethernet");
}

TEST(DrvSpecificChannel, TakesAtMost64CharactersOfTheCsvCard)
{
    CDrvSpecificChannel c;
    bool ignored = false;
    std::string line = "0,Yes,5,10,3,TCP/IP," + std::string(100, 'c');
    std::string_view cursor = line;
    ASSERT_TRUE(c.ReadCsv(cursor, ",", ignored));
    EXPECT_EQ(c.GetEthernetCardText(), std::string(64, 'c'));
}

TEST(DrvSpecificChannel, CopiesAndComparesProtocolCardAndPorts)
{
    CDrvSpecificChannel a, b;
    EXPECT_TRUE(a.CompareSettings(b));
    a.SetEthernetCardText("eth0");
    EXPECT_FALSE(a.CompareSettings(b));
    b.CopySettingsFrom(a);
    EXPECT_TRUE(a.CompareSettings(b));
    a.SetProtocolIndex(0);
    EXPECT_FALSE(a.CompareSettings(b));
    b.CopySettingsFrom(a);
    b.SetRetries("1", 1);
    EXPECT_FALSE(a.CompareSettings(b));
}

} // namespace
