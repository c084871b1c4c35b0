// CSV exchange: the exported file, the round trip through it, the field syntax and the import's
// error file.
#include "doc_fixture.h"

#include "document/config_image.h"
#include "document/import_state.h"
#include "document/tree_dump.h"
#include "model/channel.h"
#include "model/dictionaries.h"
#include "platform/registry.h"

using namespace doctest;

namespace
{

class CsvTest : public DocTest
{
protected:
    void SetUp() override
    {
        DocTest::SetUp();
        GetImportState().errorFilePath = ErrorFile();
    }
    std::string ErrorFile() { return dir_ / "KVZDIDW.ERR"; }
    void SetSeparator(const std::string &sList)
    {
        ASSERT_TRUE(
            kvz::RegWriteString(kvz::Hive::CurrentUser, "Control Panel\\International", "sList", sList));
    }
    void BuildPlant()
    {
        CChannel *iso = AddChannel(true);
        CDevice *s5 = AddDevice(iso, "KILN", "S5 Series");
        EXPECT_EQ(s5->SetDescription("Kiln, line \"A\""), 0);
        CIORec *digital = AddIORec(s5, "DB:3:0", "10");
        EXPECT_EQ(digital->SetExceptionType("Digital", KVZ_Exception_dct), 0);
        EXPECT_EQ(digital->SetAccessTime("Disabled"), 0);
        AddIORec(AddDevice(iso, "WATER", "Simatic TI"), "V:100", "50");
        CChannel *tcp = AddChannel();
        static_cast<CDrvSpecificChannel *>(tcp)->SetEthernetCardText("eth0");
        CDevice *s7 = AddDevice(tcp, "BOILER", "S7 400");
        AddIORec(s7, "DB10,DBW20", "440");
        CIORec *timed = AddIORec(s7, "MB0", "7");
        EXPECT_EQ(timed->SetPollTime("Disabled"), 0);
        EXPECT_EQ(timed->SetDeadBand("2.5"), 0);
        AddDevice(tcp, "SPARE"); // no poll records: not exported
    }
    std::string Import(const std::string &text)
    {
        std::string path = dir_ / "IN.CSV";
        WriteText(path, text);
        doc_->DeleteContents();
        doc_->ImportCsv(path);
        return DumpTree(doc_->m_ChannelList);
    }
};

const char *kChannelKeywords = "!CHANNEL,DISPLAY ALARMS,REPLY TIMEOUT,DELAY,RETRIES,Protocol,Ethernet card";
const char *kDeviceKeywords =
    "!DEVICE NAME,CHANNEL,DESCRIPTION,ETHERNET ADDRESS,READ TSAP ID,WRITE TSAP ID,PLC_type,"
    "Backup Ethernet addr,Backup read TSAP,Backup Write TSAP,";
const char *kIORecKeywords =
    "!IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND,START ADDRESS,LENGTH";

TEST_F(CsvTest, ExportWritesTitleSectionsAndCrLfLines)
{
    BuildPlant();
    const std::string path = dir_ / "OUT.CSV";
    doc_->ExportCsv(path);
    // SOURCE_DATE_EPOCH 1700000000 is Tuesday 14 November 2023, 22:13 UTC.
    const std::string expected =
        std::string("[ KVZ  Driver Configuration Report  , Tuesday November 14 2023, 10:13 PM ]\r\n") +
        kChannelKeywords + "\r\n" +
        "1,Yes,5.0,10.0,3,ISO Industrial Ethernet,\r\n"
        "2,Yes,5.0,10.0,3,TCP/IP,eth0\r\n"
        "\r\n" +
        kDeviceKeywords + "\r\n" +
        "KILN,1,\"Kiln, line \"\"A\"\"\",E080006010001,R=0;S=2,Not used,S5 Series,EDISABLED,"
        "DISABLED,DISABLED\r\n"
        "WATER,1,,E080006010001,R=0;S=2,Not used,Simatic TI,EDISABLED,DISABLED,DISABLED\r\n"
        "BOILER,2,,E192.168.0.1,R=0;S=2,Not used,S7 400,EDISABLED,DISABLED,DISABLED\r\n"
        "\r\n" +
        kIORecKeywords + "\r\n" +
        "1,KILN,Word  (KF/KM),1.0,Disabled,Digital,0.00000,DB:3:0,10\r\n"
        "2,WATER,Signed,1.0,300.0,Disabled,0.00000,V:100,50\r\n"
        "3,BOILER,Byte,1.0,300.0,Disabled,0.00000,\"DB010,B0020\",440\r\n"
        "4,BOILER,Byte,Disabled,300.0,Disabled,2.50000,M0,7\r\n";
    EXPECT_EQ(ReadText(path), expected);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->GetTitle(), "Untitled");
    EXPECT_NE(FindDeviceByName("SPARE"), nullptr); // an export prunes nothing
}

TEST_F(CsvTest, ExportOfAnEmptyConfigurationCreatesNoFile)
{
    doc_->ExportCsv(dir_ / "OUT.CSV");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "OUT.CSV"));
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(CsvTest, BinaryToCsvToBinaryIsIdenticalButForTheSaveTime)
{
    BuildPlant();
    const std::string first = dir_ / "FIRST.KVZ", csv = dir_ / "PLANT.CSV", second = dir_ / "SECOND.KVZ";
    doc_->WriteConfigFile(first);
    doc_->DeleteContents();
    doc_->ReadConfigFile(first);
    doc_->ExportCsv(csv);
    doc_->DeleteContents();
    doc_->ImportCsv(csv);
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages[0].text;
    ::setenv("SOURCE_DATE_EPOCH", "1800000000", 1);
    doc_->WriteConfigFile(second);
    std::vector<uint8_t> a = ReadBytes(first), b = ReadBytes(second);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_NE(U32(a, 108), U32(b, 108));
    PutU32(b, 108, U32(a, 108));
    EXPECT_EQ(a, b);
}

TEST_F(CsvTest, SemicolonSeparatorJoinsEveryFieldAndIsNotReadWithACommaSeparator)
{
    BuildPlant();
    SetSeparator(";");
    const std::string path = dir_ / "OUT.CSV";
    doc_->ExportCsv(path);
    std::string text = ReadText(path);
    EXPECT_NE(text.find("!CHANNEL;DISPLAY ALARMS;REPLY TIMEOUT;DELAY;RETRIES;Protocol;Ethernet card\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("3;BOILER;Byte;1.0;300.0;Disabled;0.00000;DB010,B0020;440\r\n"), std::string::npos);
    EXPECT_NE(text.find("KILN;1;\"Kiln, line \"\"A\"\"\";E080006010001;"), std::string::npos);

    EXPECT_NE(Import(text), ""); // read back with the same separator
    EXPECT_EQ(GetPollRecordCount(), 4);

    // With a comma no keyword line selects a section: each of the nine data lines says it was not
    // taken, and the summary says where.
    SetSeparator(",");
    ui_.Clear();
    EXPECT_EQ(Import(text), "");
    EXPECT_EQ(GetImportState().linesNotTaken, 9u);
    EXPECT_EQ(ui_.Ids(), std::vector<int>{10438});
    EXPECT_NE(ReadText(ErrorFile())
                  .find("Line Number   3 : No section keyword line (!CHANNEL, !DEVICE NAME or "
                        "!IOREC) before this line. Line ignored.\r\n"),
              std::string::npos);
}

TEST_F(CsvTest, SeparatorFallsBackToCommaWhenTheValueIsMissingEmptyOrTooLong)
{
    BuildPlant();
    for (const char *value : {"", "abcd"}) {
        SetSeparator(value);
        doc_->ExportCsv(dir_ / "OUT.CSV");
        EXPECT_NE(ReadText(dir_ / "OUT.CSV").find(kChannelKeywords), std::string::npos) << value;
    }
    SetSeparator("|;;");
    doc_->ExportCsv(dir_ / "OUT.CSV");
    EXPECT_NE(ReadText(dir_ / "OUT.CSV").find("!CHANNEL|DISPLAY ALARMS"), std::string::npos);
}

TEST_F(CsvTest, QuotedFieldsRoundTrip)
{
    const std::string header =
        std::string(kChannelKeywords) + "\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n" + kDeviceKeywords + "\n";
    Import(header + "A,1,\"comma, inside\",E10.0.0.1,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n" +
           "B,1,\"say \"\"hi\"\"\",E10.0.0.2,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n" +
           "C,1,\"never closed,E10.0.0.3,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n");
    ASSERT_NE(FindDeviceByName("A"), nullptr);
    EXPECT_EQ(FindDeviceByName("A")->GetDescription(), "comma, inside");
    EXPECT_EQ(FindDeviceByName("B")->GetDescription(), "say \"hi\"");
    // An unclosed quote gives no field: the line ends there, the device keeps its defaults.
    ASSERT_NE(FindDeviceByName("C"), nullptr);
    EXPECT_EQ(FindDeviceByName("C")->GetDescription(), "");
}

TEST_F(CsvTest, ImportSkipsTitlesUnknownKeywordsAndAspAndReportsLinesBeforeTheFirstKeyword)
{
    std::string dump = Import(std::string("1,Yes,5.0,10.0,3,TCP/IP,eth0\n") + "   [ a title anywhere\n" +
                              kChannelKeywords + "\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n  [ another title\n\r\n" +
                              "!SOMETHING ELSE,X\n2,No,5.0,10.0,3,TCP/IP,eth1\n" +
                              "!asp\n3,No,5.0,10.0,3,TCP/IP,eth2\n" + "!\n");
    ASSERT_EQ(doc_->m_ChannelList.size(), 2u);
    EXPECT_EQ(doc_->m_ChannelList[1]->GetDisplayAlarms(), 0);
    EXPECT_EQ(ReadText(ErrorFile()), "Line Number   1 : No section keyword line (!CHANNEL, !DEVICE NAME or "
                                     "!IOREC) before this line. Line ignored.\r\n");
    EXPECT_EQ(GetImportState().linesNotTaken, 1u);
    EXPECT_EQ(ui_.Ids(), std::vector<int>{10438});
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(ui_.viewUpdates, std::vector<int>{1});
}

TEST_F(CsvTest, ImportPlacesDevicesByChannelAndRecordsByDevice)
{
    Import(std::string(kChannelKeywords) + "\n7,Yes,5.0,10.0,3,TCP/IP,eth0\n9,Yes,5.0,10.0,3,TCP/IP,eth1\n" +
           kDeviceKeywords + "\nA,9,,E10.0.0.1,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n" +
           "B,7,,E10.0.0.2,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n" +
           "C,8,,E10.0.0.3,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n" + kIORecKeywords +
           "\n1,b,Byte,1.0,300.0,Disabled,0.0,M0,4\n" + "2,NOBODY,Byte,1.0,300.0,Disabled,0.0,M0,4\n");
    ASSERT_EQ(doc_->m_ChannelList.size(), 2u);
    EXPECT_EQ(doc_->m_ChannelList[0]->Devices().size(), 1u);
    EXPECT_EQ(doc_->m_ChannelList[0]->Devices()[0]->GetName(), "B");
    EXPECT_EQ(doc_->m_ChannelList[1]->Devices()[0]->GetName(), "A");
    EXPECT_EQ(FindDeviceByName("C"), nullptr);
    EXPECT_EQ(FindDeviceByName("B")->IORecCount(), 1u);
    EXPECT_EQ(GetPollRecordCount(), 1);
    EXPECT_EQ(GetImportState().errorCount, 2u);
    EXPECT_EQ(GetImportState().importing, 0u);
}

TEST_F(CsvTest, ErrorFileNumbersLinesWithThreeDigitsAtLeast)
{
    std::string text = std::string(kChannelKeywords) + "\n";
    for (int line = 2; line < 12; ++line)
        text += "\n";
    text += "\"unclosed\n"; // line 12: no CHANNEL field
    for (int line = 13; line < 1234; ++line)
        text += "\n";
    text += kDeviceKeywords;
    text += "\nX,5,,E10.0.0.1,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n"; // line 1235
    WriteText(ErrorFile(), "an older error file\r\n");
    Import(text);
    EXPECT_EQ(ReadText(ErrorFile()), "Line Number  12 : CHANNEL NUMBER not found. Line ignored!\r\n"
                                     "Line Number 1235 : CHANNEL NUMBER not found. Line ignored!\r\n");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].id, 10438);
    EXPECT_EQ(ui_.messages[0].text,
              "2 Errors detected during import. Errors reported to file " + ErrorFile());
    EXPECT_EQ(ui_.messages[0].icon, kvz::MsgIcon::Exclamation);
}

TEST_F(CsvTest, ImportWithoutErrorsLeavesAnOlderErrorFile)
{
    WriteText(ErrorFile(), "older\r\n");
    Import(std::string(kChannelKeywords) + "\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n");
    EXPECT_EQ(ReadText(ErrorFile()), "older\r\n");
}

TEST_F(CsvTest, ModelMessagesGoToTheErrorFileWhileImporting)
{
    Import(std::string(kChannelKeywords) + "\n1,Yes,0.05,10.0,3,TCP/IP,eth0\n");
    EXPECT_EQ(ReadText(ErrorFile()),
              "Line Number   2 : Invalid Reply Timeout Value (Valid Range   0.10 - 1800.00)\r\n");
    EXPECT_EQ(doc_->m_ChannelList.size(), 1u); // a rejected setting does not drop the line
    ASSERT_EQ(ui_.messages.size(), 1u);        // only the summary is shown
}

TEST_F(CsvTest, LongLinesAreReadInPiecesEachCountedAsALine)
{
    std::string longDescription(1500, 'd');
    Import(std::string(kChannelKeywords) + "\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n" + kDeviceKeywords + "\n" +
           "LONG,1," + longDescription + ",E10.0.0.1,R,W,S7 300,EDISABLED,DISABLED,DISABLED\n" + "2,No\n");
    // Line 4 is the first piece (description too long), line 5 the rest (read as a device line
    // whose name is too long and whose channel is not found), line 6 the short line.
    std::string errors = ReadText(ErrorFile());
    EXPECT_NE(errors.find("Line Number   4 : DEVICE DESCRIPTION is more than the maximum length."),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("Line Number   5 : DEVICE NAME is more than the maximum length."),
              std::string::npos);
    EXPECT_NE(errors.find("Line Number   6 : CHANNEL NUMBER not found. Line ignored!"), std::string::npos);
}

TEST_F(CsvTest, MissingImportFileLeavesAnEmptyUntouchedDocument)
{
    doc_->SetTitle("before");
    doc_->ImportCsv(dir_ / "NONE.CSV");
    EXPECT_TRUE(doc_->m_ChannelList.empty());
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(doc_->GetTitle(), "before");
}

} // namespace
