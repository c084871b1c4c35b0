// The CSV line of a poll record: header, line, and reading a line back with its failures.
#include "iorec_fixture.h"
#include "model/string_table.h"

#include <vector>

namespace
{

TEST_F(IORecTest, CsvHeaderNamesTheColumnsInOrder)
{
    CDrvSpecificIORec r;
    std::string line;
    r.WriteCsvHeader(line, ",");
    EXPECT_EQ(line,
              "IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND,START ADDRESS,LENGTH");
}

TEST_F(IORecTest, CsvLineQuotesTheAddressThatHoldsTheSeparator)
{
    auto *device = AddDevice(kPlcS7_300);
    auto r = MakeRecord(device, "db10,dbw20");
    r->SetRecordNumberValue(3);
    r->SetExceptionType("Analog", KVZ_Exception_dct);
    r->SetDeadBand("2.5");
    std::string comma, semicolon;
    r->WriteCsv(comma, ",");
    r->WriteCsv(semicolon, ";");
    EXPECT_EQ(comma, "3,PLC1,Byte,1.0,300.0,Analog,2.50000,\"DB010,B0020\",2");
    EXPECT_EQ(semicolon, "3;PLC1;Byte;1.0;300.0;Analog;2.50000;DB010,B0020;2");
}

TEST_F(IORecTest, ReadCsvTakesBackWhatWasWritten)
{
    struct {
        uint16_t plcType;
        const char *start;
        const char *length;
    } cases[] = {{kPlcS5, "DB:3:100", "16"}, {kPlcS7_400, "DB2,DBD8", "12"}, {kPlcTi, "LKC:4", "3"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        auto *device = AddDevice(c.plcType, std::string("D") + std::to_string(c.plcType));
        auto r = MakeRecord(device, c.start, c.length);
        r->SetPollTime("Disabled");
        r->SetAccessTime("12.5");
        r->SetDeadBand("0.125");
        std::string line;
        r->WriteCsv(line, ",");
        line += "\r\n";

        CDrvSpecificIORec back;
        std::string_view cursor = line;
        bool ignored = false;
        ASSERT_TRUE(back.ReadCsv(cursor, ",", ignored));
        EXPECT_FALSE(ignored);
        EXPECT_TRUE(cursor.empty()); // the last field runs to the end of the line
        EXPECT_EQ(back.GetDevice(), device);
        EXPECT_TRUE(back.CompareSettings(*r));
        EXPECT_EQ(back.GetDataTypeText(), r->GetDataTypeText());
        EXPECT_TRUE(ui.messages.empty());
    }
}

struct CsvFailure {
    const char *line;
    std::vector<int> messages;
};

TEST_F(IORecTest, ReadCsvFailuresLeaveNoDeviceAttached)
{
    auto *device = AddDevice(kPlcS7_300);
    AddRecord(device, "M0", "10");
    AddDevice(kPlcS5, "S5");
    const CsvFailure cases[] = {
        {"", {IDS_IOREC_NOT_FOUND}},
        {"1", {IDS_DEVICE_NOT_FOUND}},
        {"1,NOPE,Byte,1,1,Disabled,0,M20,1", {IDS_DEVICE_NOT_FOUND}},
        {"1,plc1,Byte,1.0,300", {IDS_CSV_FIELD_NOT_FOUND}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0", {IDS_CSV_FIELD_NOT_FOUND}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,XYZ,1", {IDS_UNKNOWN_MEMORY_TYPE}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,,1", {IDS_ADDRESS_MISSING}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0.00000,M1048582,16", {IDS_INVALID_START_ADDRESS}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,M1048570,16", {IDS_INVALID_START_ADDRESS}}, // end wraps
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,DB70000.B1,1", {IDS_INVALID_DATA_BLOCK}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,M20", {IDS_CSV_FIELD_NOT_FOUND}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,M20,221", {IDS_INVALID_LENGTH}},
        {"1,PLC1,Byte,1.0,300.0,Disabled,0,M5,2", {IDS_ADDRESS_ALREADY_DEFINED}},
        {"1,S5,Word,1.0,300.0,Disabled,0,DB:1:4090,8", {IDS_INVALID_START_ADDRESS}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        ui.Clear();
        CDrvSpecificIORec r;
        std::string_view cursor = c.line;
        bool ignored = false;
        EXPECT_FALSE(r.ReadCsv(cursor, ",", ignored));
        EXPECT_TRUE(ignored);
        EXPECT_EQ(r.GetDevice(), nullptr);
        EXPECT_EQ(ui.Ids(), c.messages);
    }
    EXPECT_EQ(device->IORecCount(), 1u);

    // A line that ends early names the column it lacks.
    ui.Clear();
    CDrvSpecificIORec r;
    std::string_view cursor = "1,PLC1,Byte,1.0,300.0,Disabled,0,M20";
    bool ignored = false;
    r.ReadCsv(cursor, ",", ignored);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"LENGTH not found. Line ignored."});
}

TEST_F(IORecTest, ReadCsvShowsTheOverlappedRecordsPosition)
{
    auto *device = AddDevice(kPlcS7_300);
    AddRecord(device, "M0", "10");
    AddRecord(device, "DB1,DBB0", "10");
    AddRecord(device, "M40", "10");
    CDrvSpecificIORec r;
    std::string_view cursor = "7,PLC1,Byte,1.0,300.0,Disabled,0,M45,1";
    bool ignored = false;
    EXPECT_FALSE(r.ReadCsv(cursor, ",", ignored));
    ASSERT_EQ(ui.Texts().size(), 1u);
    EXPECT_EQ(ui.Texts()[0], "Address already defined in Poll Record 3");
}

TEST_F(IORecTest, ReadCsvSettingFailuresShowAndGoOn)
{
    AddDevice(kPlcTi, "TI");
    CDrvSpecificIORec r;
    // A bad poll time and dead band are reported, the line still loads; the data type comes last, so
    // a TI record takes its memory type's default whatever the column says.
    std::string_view cursor = "1,ti,1Long,fast,Disabled,Digital,-1,X:1,8";
    bool ignored = true;
    ASSERT_TRUE(r.ReadCsv(cursor, ",", ignored));
    EXPECT_FALSE(ignored);
    EXPECT_EQ(ui.Ids(), (std::vector<int>{IDS_INVALID_POLL_TIME, IDS_INVALID_DEAD_BAND}));
    EXPECT_EQ(r.GetPollTime(), 1.0f);
    EXPECT_EQ(r.GetExceptionTypeText(KVZ_Exception_dct), "Digital");
    EXPECT_EQ(r.GetAddressText(0), "X:8");
    EXPECT_EQ(r.GetDataTypeText(), "Bit");
}

} // namespace
