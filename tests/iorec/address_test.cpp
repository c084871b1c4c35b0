// Address texts of the three families, end and length computation, limits and data types.
#include "iorec_fixture.h"
#include "model/siemens_address.h"
#include "model/string_table.h"

#include <vector>

namespace
{

struct ParseCase {
    uint16_t plcType;
    const char *text;
    int result;
    uint32_t start;     // packed start address after a successful parse
    uint16_t dataBlock; // S7
    uint16_t length;    // as the parse leaves a new record
    uint32_t end;
    const char *startText; // read back (with the length forced to 1 where the parse left 0)
    const char *message;   // "" for none; every refusal shows one
};

const char *const kS5Range = "Invalid Start Address\n\r(Valid Range:  0 - 4096 )";
const char *const kTiRange = "Invalid Start Address\n\r(Valid Range:  1 - 65535 )";
// The other TI memory types hold 20 address bits, and their message says so.
const char *const kTiLongRange = "Invalid Start Address\n\r(Valid Range:  1 - 1048575 )";
// What a 20-bit S7 byte address holds: a larger one is refused, never wrapped.
const char *const kS7Range = "Invalid Start Address\n\r(Valid Range:  0 - 1048575 )";

const std::vector<ParseCase> kParseCases = {
    // S7: data blocks, element letters, the rows reached by other letters.
    {kPlcS7_300, "db10,dbw20", 1, 0x00400014, 10, 2, 0x00400015, "DB010,B0020", ""},
    {kPlcS7_300, "DB10.DBX4.3", 1, 0x00400004, 10, 1, 0x00400004, "DB010,B0004", ""},
    {kPlcS7_300, "DB1 DBD100", 1, 0x00400064, 1, 4, 0x00400067, "DB001,B0100", ""},
    {kPlcS7_300, "MB5", 1, 0x00300005, 0, 1, 0x00300005, "M5", ""},
    {kPlcS7_300, "MD8", 1, 0x00300008, 0, 4, 0x0030000B, "M8", ""},
    {kPlcS7_300, "Q5", 1, 0x00200005, 0, 0, 0x00200005, "Q5", ""},
    {kPlcS7_400, "E2", 1, 0x00100002, 0, 0, 0x00100002, "I2", ""},
    {kPlcS7_1500, "PA5", 1, 0x00000005, 0, 0, 0x00000005, "P5", ""},
    {kPlcS7_200, "M1048575", 1, 0x003FFFFF, 0, 1, 0x003FFFFF, "M1048575", ""},
    {kPlcS7_300, "M", 0, 0, 0, 0, 0, "", "Invalid Address M\n\r(Address Number Missing)"},
    {kPlcS7_300, "DB10", 0, 0, 0, 0, 0, "", "Invalid Address DB10\n\r(Separator Missing)"},
    {kPlcS7_300, "x5", 0, 0, 0, 0, 0, "", "Invalid Address x5\n\r(Unknown Memory Type)"},
    {kPlcS7_300, "M1048576", 0, 0, 0, 0, 0, "", kS7Range},
    {kPlcS7_300, "M1048582", 0, 0, 0, 0, 0, "", kS7Range},
    {kPlcS7_300, "DB70000,B1", 0, 0, 0, 0, 0, "", "Invalid Data Block Number\n\r(Valid Range:  0 - 65535 )"},
    // S5: data block in bits 24-31, memory type in 20-23, word address in 0-15.
    {kPlcS5, "DB:3:100", 1, 0x03100064, 0, 0, 0, "DB:3:100", ""},
    {kPlcS5, "db/3/4096", 1, 0x03101000, 0, 0, 0, "DB:3:4096", ""},
    {kPlcS5, "DX;7;10", 1, 0x07A0000A, 0, 0, 0, "DX:7:10", ""},
    {kPlcS5, "C:5", 1, 0x00600005, 0, 0, 0, "C:5", ""},
    {kPlcS5, "T 12", 1, 0x0070000C, 0, 0, 0, "T:12", ""},
    {kPlcS5, "st\\1", 1, 0x00F00001, 0, 0, 0, "ST:1", ""},
    {kPlcS5, "DB:3:5000", 0, 0, 0, 0, 0, "", kS5Range},
    {kPlcS5, "C:-1", 0, 0, 0, 0, 0, "", kS5Range},
    {kPlcS5, "DB:3", 0, 0, 0, 0, 0, "", "Invalid Address DB:3\n\r(Separator Missing)"},
    {kPlcS5, "DB:256:1", 0, 0, 0, 0, 0, "", "Invalid Data Block Number\n\r(Valid Range:  0 - 255 )"},
    {kPlcS5, "C5", 0, 0, 0, 0, 0, "", "Invalid Address C5\n\r(Separator Missing)"},
    {kPlcS5, "X:5", 0, 0, 0, 0, 0, "", "Invalid Address X:5\n\r(Unknown Memory Type)"},
    // TI: 0x8nn types keep the whole value and a 16-bit address, the others a 20-bit address.
    {kPlcTi, "V:100", 1, 0x01000064, 0, 0, 0, "V:100", ""},
    {kPlcTi, "VL:7", 1, 0x01100007, 0, 0, 0, "VL:7", ""},
    {kPlcTi, "ST:5", 1, 0x0F000005, 0, 0, 0, "ST:5", ""},
    {kPlcTi, "V:1048575", 1, 0x010FFFFF, 0, 0, 0, "V:1048575", ""},
    {kPlcTi, "WX:65535", 1, 0x0809FFFF, 0, 0, 0, "WX:65535", ""},
    {kPlcTi, "lkc:3", 1, 0x08200003, 0, 0, 0, "LKC:3", ""},
    {kPlcTi, "WX:0", 0, 0, 0, 0, 0, "", kTiRange},
    {kPlcTi, "WX:65536", 0, 0, 0, 0, 0, "", kTiRange},
    {kPlcTi, "V:1048576", 0, 0, 0, 0, 0, "", kTiLongRange},
    {kPlcTi, "V:0", 0, 0, 0, 0, 0, "", kTiLongRange},
    {kPlcTi, "V100", 0, 0, 0, 0, 0, "", "Invalid Address V100\n\r(Separator Missing)"},
    {kPlcTi, "Q:1", 0, 0, 0, 0, 0, "", "Invalid Address Q:1\n\r(Unknown Memory Type)"},
};

TEST_F(IORecTest, ParsesAndFormatsTheAddressesOfEachFamily)
{
    for (const auto &c : kParseCases) {
        SCOPED_TRACE(c.text);
        ui.Clear();
        channels.front()->RemoveDevice(channel->GetCurrentDevice());
        auto *device = AddDevice(c.plcType);
        CDrvSpecificIORec r;
        r.SetDevice(device);
        ASSERT_EQ(r.ParseAddress(c.text, 1), c.result);
        if (*c.message) {
            ASSERT_EQ(ui.Texts().size(), 1u);
            EXPECT_EQ(ui.Texts()[0], c.message);
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
        if (!c.result) {
            EXPECT_EQ(r.GetStartAddress(), 0u);
            EXPECT_EQ(r.GetLength(), 0u);
            continue;
        }
        EXPECT_EQ(r.GetStartAddress(), c.start);
        EXPECT_EQ(r.GetDataBlock(), c.dataBlock);
        EXPECT_EQ(r.GetLength(), c.length);
        EXPECT_EQ(r.GetEndAddress(), c.end);
        if (r.GetLength() == 0) {
            EXPECT_EQ(r.GetAddressText(1), "--Undefined--");
            r.SetLengthValue(1);
        }
        EXPECT_EQ(r.GetAddressText(1), c.startText);
        // What the record shows reads back to the same address.
        CDrvSpecificIORec again;
        again.SetDevice(device);
        again.SetLengthValue(1);
        ASSERT_EQ(again.ParseAddress(r.GetAddressText(1), 1), 1);
        EXPECT_EQ(again.GetStartAddress(), c.start);
    }
}

TEST_F(IORecTest, EmptyTextAndUnknownFamilyDoNotTouchTheRecord)
{
    auto *device = AddDevice(kPlcS7_300);
    CDrvSpecificIORec r;
    r.SetDevice(device);
    EXPECT_EQ(r.ParseAddress("", 1), 0);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"No Address entered"});
    device->SetPlcTypeIndex(40); // no PLC type
    EXPECT_EQ(r.ParseAddress("MB5", 1), 1);
    EXPECT_EQ(r.GetPlcFamily(), -1);
    EXPECT_EQ(r.GetStartAddress(), 0u);
}

TEST_F(IORecTest, S7EndAddressParseKeepsStartAndLength)
{
    auto *device = AddDevice(kPlcS7_300);
    auto r = MakeRecord(device, "MW10");
    ASSERT_EQ(r->ParseAddress("MB40", 0), 1);
    EXPECT_EQ(r->GetStartAddress(), 0x0030000Au);
    EXPECT_EQ(r->GetEndAddress(), 0x00300028u);
    EXPECT_EQ(r->GetLength(), 2u);
    r->ComputeLength();
    EXPECT_EQ(r->GetLength(), 31u);
    EXPECT_EQ(r->GetAddressText(0), "M40");
}

struct EndCase {
    uint16_t plcType;
    const char *start;
    uint16_t length;
    int result;
    const char *endText; // "" when refused (end = start)
    const char *message;
};

TEST_F(IORecTest, ComputeEndStopsAtTheFamilysAddressLimit)
{
    const EndCase cases[] = {
        {kPlcS5, "C:4000", 97, 1, "C:4096", ""},
        {kPlcS5, "C:4000", 98, 0, "", kS5Range},
        {kPlcS5, "DB:9:0", 1024, 1, "DB:9:1023", ""},
        {kPlcS7_300, "DB5,B1048570", 6, 1, "DB005,B1048575", ""},
        {kPlcS7_300, "DB5,B1048570", 7, 0, "", kS7Range}, // would wrap round to byte 0
        {kPlcTi, "WX:65530", 6, 1, "WX:65535", ""},
        {kPlcTi, "WX:65530", 7, 0, "", kTiRange},
        {kPlcTi, "V:65535", 2, 1, "V:65536", ""},
        {kPlcTi, "V:1048570", 7, 0, "", kTiLongRange},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.start) + " length " + std::to_string(c.length));
        ui.Clear();
        auto *device = AddDevice(c.plcType);
        CDrvSpecificIORec r;
        r.SetDevice(device);
        r.SetLengthValue(1);
        ASSERT_EQ(r.ParseAddress(c.start, 1), 1);
        r.SetEndAddress(0);
        r.SetLengthValue(c.length);
        EXPECT_EQ(r.ComputeEnd(), c.result);
        if (c.result) {
            EXPECT_EQ(r.GetAddressText(0), c.endText);
            EXPECT_TRUE(ui.messages.empty());
        } else {
            EXPECT_EQ(r.GetEndAddress(), r.GetStartAddress());
            ASSERT_EQ(ui.Texts().size(), 1u);
            EXPECT_EQ(ui.Texts()[0], c.message);
        }
    }
}

TEST_F(IORecTest, ComputeLengthCountsFromStartToEnd)
{
    auto *s5 = AddDevice(kPlcS5, "S5");
    CDrvSpecificIORec r;
    r.SetDevice(s5);
    ASSERT_EQ(r.ParseAddress("C:10", 1), 1);
    r.ComputeLength(); // length 0: one element, end = start
    EXPECT_EQ(r.GetLength(), 1u);
    EXPECT_EQ(r.GetEndAddress(), r.GetStartAddress());
    ASSERT_EQ(r.ParseAddress("C:19", 0), 1);
    r.ComputeLength();
    EXPECT_EQ(r.GetLength(), 10u);
    ASSERT_EQ(r.ParseAddress("C:5", 0), 1);
    r.ComputeLength(); // end before start
    EXPECT_EQ(r.GetLength(), 0xFFFFu);
}

TEST_F(IORecTest, TiLengthBringsTheMemoryTypesDefaultDataType)
{
    struct {
        const char *start;
        const char *end;
        uint16_t length;
        const char *dataType;
        uint16_t dataTypeValue;
    } cases[] = {
        {"V:1", "V:4", 4, "Signed", 1},
        {"X:1", "X:16", 16, "Bit", 4},
        {"LKC:1", "LKC:2", 2, "1Float", 13},
        {"DCC:1", "DCC:1", 1, "1Long", 11},
        // No row of the data type dictionary holds the defaults of VL, VF and KF.
        {"VL:1", "VL:2", 2, "*?*", kDictNoMatch},
        {"KF:1", "KF:2", 2, "*?*", kDictNoMatch},
    };
    auto *ti = AddDevice(kPlcTi, "TI");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        CDrvSpecificIORec r;
        r.SetDevice(ti);
        r.SetLengthValue(1);
        ASSERT_EQ(r.ParseAddress(c.start, 1), 1);
        ASSERT_EQ(r.ParseAddress(c.end, 0), 1);
        r.ComputeLength();
        EXPECT_EQ(r.GetLength(), c.length);
        EXPECT_EQ(r.GetDataTypeText(), c.dataType);
        EXPECT_EQ(DictValueAt(TI_Data_Type_dct, r.GetDataTypeIndex()), c.dataTypeValue);
    }
}

struct LimitCase {
    uint16_t plcType;
    const char *start;
    const char *accepted;
    const char *refused;
    const char *maximum;
};

TEST_F(IORecTest, SetLengthChecksTheMaximumOfThePlcType)
{
    const LimitCase cases[] = {
        {kPlcS7_300, "M0", "220", "221", "220"},  {kPlcS7_200, "M0", "220", "221", "220"},
        {kPlcS7_1200, "M0", "220", "221", "220"}, {kPlcS7_1500, "M0", "220", "221", "220"},
        {kPlcS7_400, "M0", "440", "441", "440"},  {kPlcS5, "C:0", "1024", "1025", "1024"},
        {kPlcTi, "V:1", "256", "257", "256"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.plcType) + " " + c.refused);
        ui.Clear();
        auto *device = AddDevice(c.plcType);
        auto r = MakeRecord(device, c.start);
        EXPECT_EQ(r->SetLength(c.accepted), 1);
        EXPECT_EQ(r->GetLengthText(), c.accepted);
        EXPECT_EQ(r->SetLength(c.refused), 0);
        EXPECT_EQ(r->GetLengthText(), c.accepted);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].id, IDS_INVALID_LENGTH);
        EXPECT_EQ(ui.Texts()[0], std::string("Invalid Length \n\r [Valid Range:  1 - ") + c.maximum + " ]");
        EXPECT_EQ(r->SetLength("abc"), 0);
        EXPECT_EQ(r->SetLength("-1"), 0);
        EXPECT_EQ(r->GetLengthText(), c.accepted);
        EXPECT_EQ(r->SetLength(""), 1);
        EXPECT_EQ(r->GetLength(), 0u);
    }
}

TEST_F(IORecTest, CheckLimitsWantsTheStartBeforeTheEnd)
{
    struct {
        uint16_t plcType;
        const char *start;
        const char *end;
    } cases[] = {
        {kPlcS5, "C:10", "C:5"},
        {kPlcS7_300, "M10", "M5"},
        {kPlcTi, "WX:10", "WX:5"},
        {kPlcTi, "V:70000", "V:69999"}, // 20-bit addresses compared whole
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        ui.Clear();
        auto *device = AddDevice(c.plcType);
        auto r = MakeRecord(device, c.start);
        ASSERT_EQ(r->ParseAddress(c.end, 0), 1);
        EXPECT_EQ(r->CheckLimits(), 0);
        EXPECT_EQ(ui.Ids(), std::vector<int>{IDS_START_BEFORE_END});
        EXPECT_EQ(ui.Texts()[0], "Start Address must be before End Address.");
    }
}

TEST_F(IORecTest, SetDataTypeFollowsTheFamily)
{
    auto *s7 = AddDevice(kPlcS7_300, "S7");
    CDrvSpecificIORec r;
    r.SetDevice(s7);
    r.SetDataType("zzz"); // length 0: the data type stays
    EXPECT_EQ(r.GetDataTypeText(), "Byte");
    ASSERT_EQ(r.ParseAddress("MW0", 1), 1);
    r.SetDataType("zzz");
    EXPECT_EQ(r.GetDataTypeText(), "*?*");
    r.SetDataType("B");
    EXPECT_EQ(r.GetDataTypeText(), "Byte");

    auto *s5 = AddDevice(kPlcS5, "S5");
    auto w = MakeRecord(s5, "DB:1:0");
    w->SetDataType("W");
    EXPECT_EQ(w->GetDataTypeText(), "Word  (KF/KM)");

    // A TI record whose memory type has a default keeps it whatever the text says.
    auto *ti = AddDevice(kPlcTi, "TI");
    auto t = MakeRecord(ti, "X:1");
    t->SetDataType("Signed");
    EXPECT_EQ(t->GetDataTypeText(), "Bit");
}

TEST_F(IORecTest, CopyAndCompareIncludeFamilyAndDataBlock)
{
    auto *device = AddDevice(kPlcS7_300);
    auto a = MakeRecord(device, "DB7,DBW4");
    CDrvSpecificIORec b;
    EXPECT_FALSE(b.CompareSettings(*a));
    b.CopySettingsFrom(*a);
    EXPECT_TRUE(b.CompareSettings(*a));
    EXPECT_EQ(b.GetPlcFamily(), kFamilyS7);
    EXPECT_EQ(b.GetDataBlock(), 7u);
    EXPECT_EQ(b.GetAddressText(1), "DB007,B0004");
    b.SetDataBlock(8);
    EXPECT_FALSE(b.CompareSettings(*a));
}

} // namespace
