// A poll record is one block of one memory area: an end typed in another area is refused, a start
// moved to another area takes its end along, and the S7 byte range is judged once, with the length
// the record ends up with (a CSV line's LENGTH column, not the element its size letter names).
#include "iorec_fixture.h"
#include "model/string_table.h"

#include <vector>

namespace
{

const char *const kS7Range = "Invalid Start Address\n\r(Valid Range:  0 - 1048575 )";

struct BoundaryCase {
    const char *start;
    const char *length;
    bool taken;
    const char *end; // when taken
};

// Every size letter and every way of naming an S7 area, at the last byte a 20-bit address holds
// (the data block forms written with a full stop, which a comma-separated line keeps whole).
const BoundaryCase kBoundaryCases[] = {
    {"M1048575", "1", true, "M1048575"},
    {"MX1048575", "1", true, "M1048575"},
    {"MB1048575", "1", true, "M1048575"},
    {"MW1048575", "1", true, "M1048575"},
    {"MW1048574", "2", true, "M1048575"},
    {"MW1048575", "2", false, ""},
    {"MD1048575", "1", true, "M1048575"},
    {"MD1048572", "4", true, "M1048575"},
    {"MD1048573", "4", false, ""},
    {"QW1048575", "1", true, "Q1048575"},
    {"QW1048575", "3", false, ""},
    {"AW1048575", "1", true, "Q1048575"},
    {"IW1048575", "1", true, "I1048575"},
    {"EW1048575", "1", true, "I1048575"},
    {"PW1048575", "1", true, "P1048575"},
    {"PD1048572", "4", true, "P1048575"},
    {"DB1.DBX1048575", "1", true, "DB001,B1048575"},
    {"DB1.DBB1048575", "1", true, "DB001,B1048575"},
    {"DB1.DBW1048575", "1", true, "DB001,B1048575"},
    {"DB1.DBD1048575", "1", true, "DB001,B1048575"},
    {"DB1.DBD1048572", "4", true, "DB001,B1048575"},
    {"DB1.DBW1048575", "2", false, ""},
    {"DB1.DBB1048576", "1", false, ""},
};

TEST_F(IORecTest, ACsvLineIsJudgedOnceWithItsLengthColumn)
{
    AddDevice(kPlcS7_300);
    for (const BoundaryCase &c : kBoundaryCases) {
        SCOPED_TRACE(std::string(c.start) + " length " + c.length);
        ui.Clear();
        CDrvSpecificIORec r;
        const std::string line = std::string("1,PLC1,Byte,1.0,300.0,Disabled,0,") + c.start + "," + c.length;
        std::string_view cursor = line;
        bool ignored = true;
        EXPECT_EQ(r.ReadCsv(cursor, ",", ignored), c.taken);
        EXPECT_EQ(ignored, !c.taken);
        if (c.taken) {
            EXPECT_TRUE(ui.messages.empty()); // a taken line is never reported as refused
            EXPECT_EQ(r.GetAddressText(0), c.end);
            EXPECT_EQ(r.GetLengthText(), c.length);
        } else {
            EXPECT_EQ(ui.Texts(), std::vector<std::string>{kS7Range}); // once, not per length tried
        }
    }
}

struct AreaCase {
    uint16_t plcType;
    const char *start;
    const char *length;
    const char *end;
    const char *startText;
};

TEST_F(IORecTest, AnEndOutsideTheStartsAreaIsRefusedAndChangesNothing)
{
    const AreaCase cases[] = {
        {kPlcS5, "DB:4:0", "64", "DB:3:110", "DB:4:0"},
        {kPlcS5, "DB:4:0", "64", "DX:4:10", "DB:4:0"},
        {kPlcS7_300, "DB1,DBB0", "40", "DB2,DBB10", "DB001,B0000"},
        {kPlcS7_300, "DB1,DBB0", "40", "M30", "DB001,B0000"},
        {kPlcS7_300, "M0", "10", "Q5", "M0"},
        {kPlcTi, "V:1", "10", "K:5", "V:1"},
        {kPlcTi, "WX:1", "10", "WY:5", "WX:1"},
    };
    for (const AreaCase &c : cases) {
        SCOPED_TRACE(std::string(c.start) + " to " + c.end);
        auto *device = AddDevice(c.plcType);
        auto r = MakeRecord(device, c.start, c.length);
        const uint32_t start = r->GetStartAddress(), end = r->GetEndAddress();
        const uint16_t dataBlock = r->GetDataBlock();
        ui.Clear();
        EXPECT_EQ(r->ParseAddress(c.end, 0), 0);
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{std::string("Invalid End Address ") + c.end +
                                                       "\n\r(Not in the memory area of the Start Address " +
                                                       c.startText + ")"});
        EXPECT_EQ(ui.Ids(), std::vector<int>{IDS_END_ADDRESS_OUTSIDE_AREA});
        EXPECT_EQ(r->GetStartAddress(), start);
        EXPECT_EQ(r->GetEndAddress(), end);
        EXPECT_EQ(r->GetDataBlock(), dataBlock);
        EXPECT_EQ(r->GetLengthText(), c.length);
    }
}

struct MoveCase {
    uint16_t plcType;
    const char *start;
    const char *length;
    const char *newStart;
    int result;
    const char *startText; // after the move (or as it was, when refused)
    const char *endText;
};

TEST_F(IORecTest, AStartMovedToAnotherAreaTakesItsEndAlong)
{
    const MoveCase cases[] = {
        {kPlcS7_300, "DB1,DBB0", "40", "M30", 1, "M30", "M69"},
        {kPlcS7_300, "DB1,DBB0", "40", "DB7,DBW2", 1, "DB007,B0002", "DB007,B0041"},
        {kPlcS7_300, "M0", "10", "Q1048570", 0, "M0", "M9"}, // the end would lie beyond the range
        {kPlcS5, "DB:3:0", "64", "DB:4:0", 1, "DB:4:0", "DB:4:63"},
        {kPlcS5, "DB:3:0", "64", "C:10", 1, "C:10", "C:73"},
        {kPlcTi, "V:1", "10", "K:100", 1, "K:100", "K:109"},
        // Within its area the start moves alone: the end stays, the length follows from both.
        {kPlcS7_300, "M0", "10", "M5", 1, "M5", "M9"},
    };
    for (const MoveCase &c : cases) {
        SCOPED_TRACE(std::string(c.start) + " to " + c.newStart);
        ui.Clear();
        auto *device = AddDevice(c.plcType);
        auto r = MakeRecord(device, c.start, c.length);
        EXPECT_EQ(r->ParseAddress(c.newStart, 1), c.result);
        EXPECT_EQ(ui.messages.size(), c.result ? 0u : 1u);
        EXPECT_EQ(r->GetAddressText(1), c.startText);
        EXPECT_EQ(r->GetAddressText(0), c.endText);
    }
}

TEST_F(IORecTest, S7AndTiLengthsCountEveryAddressBit)
{
    auto *device = AddDevice(kPlcS7_300);
    auto r = MakeRecord(device, "MW65535"); // its second byte is 65536
    EXPECT_EQ(r->GetLengthText(), "2");
    EXPECT_EQ(r->CheckLimits(), 1);
    ASSERT_EQ(r->ParseAddress("M65540", 0), 1);
    r->ComputeLength();
    EXPECT_EQ(r->GetLengthText(), "6");

    auto *ti = AddDevice(kPlcTi, "TI");
    auto v = MakeRecord(ti, "V:65535");
    ASSERT_EQ(v->ParseAddress("V:65537", 0), 1);
    v->ComputeLength();
    EXPECT_EQ(v->GetLengthText(), "3");
    EXPECT_TRUE(ui.messages.empty());
}

} // namespace
