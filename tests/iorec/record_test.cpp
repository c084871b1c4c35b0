// The 78-byte poll record: bytes written for each family and exception type, and reading them back.
#include "iorec_fixture.h"
#include "model/iorec_record.h"
#include "model/record_bytes.h"
#include "model/siemens_address.h"

#include <array>
#include <cstring>

namespace
{

using Record = std::array<uint8_t, kIORecRecordSize>;

Record Written(const CDrvSpecificIORec &r)
{
    Record bytes;
    bytes.fill(0xAA); // every byte must be written
    r.WriteRecord(bytes);
    return bytes;
}

struct AreaCase {
    uint16_t plcType;
    const char *start;
    const char *length;
    const char *exception;
    IORecAreaSizes sizes;
};

TEST_F(IORecTest, AreaSizesFollowFamilyAndExceptionType)
{
    const AreaCase cases[] = {
        {kPlcS5, "C:0", "10", "Disabled", {20, 20, 20, 0, 0}},
        {kPlcS5, "C:0", "10", "Analog", {20, 20, 20, 20, 40}},
        {kPlcS5, "C:0", "10", "Digital", {20, 20, 20, 0, 640}},
        {kPlcS5, "C:0", "10", "ASCII", {20, 20, 20, 0, 40}},
        {kPlcS5, "DB:1:0", "1024", "Digital", {2048, 2048, 2048, 0, 0}}, // 64 x 1024 wraps in 16 bits
        {kPlcS7_300, "M0", "11", "Disabled", {11, 11, 11, 0, 0}},
        {kPlcS7_300, "M0", "11", "Analog", {11, 11, 11, 0, 20}},
        {kPlcS7_400, "M0", "11", "Digital", {11, 11, 11, 0, 352}},
        {kPlcS7_1500, "M0", "11", "ASCII", {11, 11, 11, 0, 44}},
        {kPlcTi, "V:1", "10", "Disabled", {20, 20, 20, 0, 0}},
        {kPlcTi, "LKC:1", "10", "Analog", {40, 40, 20, 20, 40}},
        {kPlcTi, "DCC:1", "10", "Digital", {40, 40, 20, 0, 640}},
        {kPlcTi, "VL:1", "10", "ASCII", {20, 20, 20, 0, 40}}, // no data type row: one word each
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.exception);
        auto *device = AddDevice(c.plcType);
        auto r = MakeRecord(device, c.start, c.length);
        r->SetExceptionType(c.exception, KVZ_Exception_dct);
        Record bytes = Written(*r);
        IORecAreaSizes got{
            rec::GetU16(bytes, layout::pollrec::kArea1Size), rec::GetU16(bytes, layout::pollrec::kArea2Size),
            rec::GetU16(bytes, layout::pollrec::kArea3Size), rec::GetU32(bytes, layout::pollrec::kArea4Size),
            rec::GetU16(bytes, layout::pollrec::kArea5Size)};
        EXPECT_EQ(got, c.sizes);
        uint32_t off = layout::pollrec::kFirstAreaOffset;
        EXPECT_EQ(rec::GetU32(bytes, layout::pollrec::kArea1Off), off);
        EXPECT_EQ(rec::GetU32(bytes, layout::pollrec::kArea2Off), off += c.sizes.area1);
        EXPECT_EQ(rec::GetU32(bytes, layout::pollrec::kArea3Off), off += c.sizes.area2);
        EXPECT_EQ(rec::GetU32(bytes, layout::pollrec::kArea4Off), off += c.sizes.area3);
        EXPECT_EQ(rec::GetU32(bytes, layout::pollrec::kArea5Off), off += c.sizes.area4);
    }
}

TEST(IORecAreaSizes, OnlyTheSixteenBitSizesWrap)
{
    // A record read from a file may hold any length: area4's size has 32 bits, the others 16.
    EXPECT_EQ(IORecAreaSizesOf(kFamilyS5, 1, 1, 40000), (IORecAreaSizes{14464, 14464, 14464, 80000, 28928}));
    EXPECT_EQ(IORecAreaSizesOf(kFamilyTi, 1, 13, 40000), (IORecAreaSizes{28928, 28928, 14464, 80000, 28928}));
}

TEST_F(IORecTest, WritesEveryFieldOfAnS5DigitalRecord)
{
    auto *device = AddDevice(kPlcS5);
    auto r = MakeRecord(device, "DB:3:100", "10");
    r->SetExceptionType("Digital", KVZ_Exception_dct);
    r->SetPollTime("2.5");
    r->SetAccessTime("Disabled");
    r->SetDeadBand("0.5");
    Record bytes = Written(*r);

    Record expected{};
    rec::PutU16(expected, 0, 0x10C9);
    rec::PutU8(expected, 2, 1);
    rec::PutU8(expected, 5, 2);
    rec::PutI32(expected, 6, 250);
    rec::PutI32(expected, 10, 17280100);
    rec::PutF32(expected, 20, 0.5f);
    rec::PutU32(expected, 24, 0);
    rec::PutU32(expected, 28, 78);
    rec::PutU16(expected, 32, 20);
    rec::PutU32(expected, 34, 98);
    rec::PutU16(expected, 38, 20);
    rec::PutU32(expected, 40, 118);
    rec::PutU16(expected, 44, 20);
    rec::PutU32(expected, 46, 138);
    rec::PutU32(expected, 52, 138);
    rec::PutU16(expected, 56, 640);
    rec::PutU16(expected, 58, 1);
    rec::PutU16(expected, 60, 10);
    rec::PutU32(expected, 70, 0x03100064);
    rec::PutI16(expected, 74, 0);
    rec::PutU16(expected, 76, 0);
    EXPECT_EQ(bytes, expected);
}

TEST_F(IORecTest, PollTimeBytesForDisabledAndStatusMemory)
{
    auto *s7 = AddDevice(kPlcS7_300, "S7");
    auto r = MakeRecord(s7, "DB12,DBB7", "3");
    r->SetPollTime("Disabled");
    Record bytes = Written(*r);
    EXPECT_EQ(rec::GetU8(bytes, layout::pollrec::kPollEnabled), 0);
    EXPECT_EQ(rec::GetI32(bytes, layout::pollrec::kPollTimeCs), -100);
    EXPECT_EQ(rec::GetI16(bytes, layout::pollrec::kPlcFamily), 1);
    EXPECT_EQ(rec::GetU16(bytes, layout::pollrec::kDbNumber), 12);
    EXPECT_EQ(rec::GetU32(bytes, layout::pollrec::kStartAddress), 0x00400007u);

    // Status memory ("S" on S7, "ST" on S5) is always polled once a second.
    struct {
        CDevice *device;
        const char *start;
    } status[] = {{s7, "SB4"}, {AddDevice(kPlcS5, "S5"), "ST:4"}};
    for (const auto &c : status) {
        auto s = MakeRecord(c.device, c.start, "2");
        s->SetPollTime("7.25");
        EXPECT_EQ(rec::GetI32(Written(*s), layout::pollrec::kPollTimeCs), 100) << c.start;
    }
    // Hundredths are truncated, not rounded.
    r->SetPollTime("0.999");
    EXPECT_EQ(rec::GetI32(Written(*r), layout::pollrec::kPollTimeCs), 99);
}

TEST_F(IORecTest, ReadRecordTakesBackWhatWasWritten)
{
    struct {
        uint16_t plcType;
        const char *start;
        const char *length;
    } cases[] = {
        {kPlcS5, "DX:9:40", "12"}, {kPlcS7_300, "DB300,DBW2", "20"}, {kPlcS7_400, "MD100", "8"},
        {kPlcTi, "WY:17", "5"},    {kPlcTi, "VL:33", "4"},           {kPlcTi, "ST:9", "3"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        auto *device = AddDevice(c.plcType);
        auto r = MakeRecord(device, c.start, c.length);
        r->SetExceptionType("Analog", KVZ_Exception_dct);
        r->SetPollTime("1.5");
        r->SetAccessTime("Disabled");
        r->SetDeadBand("12.25");
        Record bytes = Written(*r);

        CDrvSpecificIORec back;
        EXPECT_EQ(back.ReadRecord(bytes), 1);
        EXPECT_EQ(back.GetDevice(), device); // the current device of the current channel
        EXPECT_TRUE(back.CompareSettings(*r));
        EXPECT_EQ(back.GetPlcFamily(), r->GetPlcFamily());
        EXPECT_EQ(back.GetAddressText(1), r->GetAddressText(1));
        EXPECT_EQ(back.GetAddressText(0), r->GetAddressText(0));
        EXPECT_EQ(back.GetDataTypeText(), r->GetDataTypeText());
        EXPECT_EQ(Written(back), bytes);
    }
}

TEST_F(IORecTest, ReadRecordWithoutCurrentDeviceKeepsTheRecordsFamily)
{
    auto *device = AddDevice(kPlcS7_300);
    auto r = MakeRecord(device, "MW10", "2");
    Record bytes = Written(*r);
    channel->SetCurrentDevice(nullptr);
    CDrvSpecificIORec back;
    EXPECT_EQ(back.ReadRecord(bytes), 0);
    EXPECT_EQ(back.GetDevice(), nullptr);
    EXPECT_EQ(back.GetPlcFamily(), kFamilyS7);
    EXPECT_EQ(back.GetAddressText(0), "M11");
}

} // namespace
