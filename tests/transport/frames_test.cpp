// Frame builders against the documented byte sequences, and TSAP texts against their selectors.
#include "cotp_frames.h"
#include "s5_frames.h"
#include "s7_frames.h"
#include "tsap.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace ferrolink;
using Bytes = std::vector<uint8_t>;

namespace
{
struct Block {
    std::array<uint8_t, FL_RB_S7_BLOCK_SIZE> bytes{};
    RequestBlock View() { return RequestBlock(bytes.data()); }
    void Put32(int offset, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) {
            bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
        }
    }
    void Put16(int offset, uint16_t v)
    {
        bytes[offset] = static_cast<uint8_t>(v);
        bytes[offset + 1] = static_cast<uint8_t>(v >> 8);
    }
    void Item(int i, uint32_t area, uint16_t db, uint16_t length, uint32_t start)
    {
        int base = FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i;
        Put32(base + FL_RB_ITEM_AREA, area);
        Put16(base + FL_RB_ITEM_DB, db);
        Put16(base + FL_RB_ITEM_LENGTH, length);
        Put32(base + FL_RB_ITEM_START, start);
    }
};

Tsaps S7Rack0Slot2()
{
    return ParseTsap("R=0;S=2", 1);
}
} // namespace

TEST(CrFrame, OnTcpIsTheTwentyTwoByteTpktWithClassZero)
{
    Bytes unit;
    BuildCr(unit, 0x0301, S7Rack0Slot2(), Framing::Tcp);
    // The TPKT header the TCP link adds is LI + 5 long in total.
    Bytes expected = {0x11, 0xE0, 0x00, 0x00, 0x01, 0x03, 0x00, 0xC1, 0x02,
                      0x01, 0x00, 0xC2, 0x02, 0x03, 0x02, 0xC0, 0x01, 0x0B};
    EXPECT_EQ(unit, expected);
    EXPECT_EQ(unit.size() + 4, 22u);
    EXPECT_EQ(unit[0] + 5, 22);
}

TEST(CrFrame, OnH1CarriesClassFourAndTheExtraParameters)
{
    Bytes unit;
    BuildCr(unit, 0x0301, S7Rack0Slot2(), Framing::H1);
    Bytes expected = {0x1B, 0xE0, 0x00, 0x00, 0x01, 0x03, 0x42, 0xC1, 0x02, 0x01, 0x00, 0xC2, 0x02, 0x03,
                      0x02, 0xC0, 0x01, 0x0B, 0xC6, 0x01, 0x03, 0xC4, 0x01, 0x01, 0x63, 0x02, 0x00, 0x00};
    EXPECT_EQ(unit, expected);
    // From offset 14 of the Ethernet frame: 3 LLC bytes, the inactive network layer byte and the unit.
    EXPECT_EQ(unit.size() + 4, 0x20u);
}

TEST(CrFrame, AsksFor512ByteUnitsFromAnS7200Cp)
{
    Bytes unit;
    BuildCr(unit, 1, ParseTsap("CP243", 1), Framing::Tcp);
    EXPECT_EQ(unit.back(), 0x09);
    EXPECT_EQ(unit[9], 0x4D);
    EXPECT_EQ(unit[10], 0x57);
}

TEST(CrFrame, S5ConnectionsCarryEightByteSelectors)
{
    Bytes unit;
    BuildCr(unit, 0x0100, ParseTsap("TSAP1234X", 0), Framing::Tcp);
    Bytes expected = {0x1D, 0xE0, 0x00, 0x00, 0x00, 0x01, 0x00, 0xC1, 0x08, 'P', 'C', 'P', 'C',  'P',  'C',
                      'P',  'C',  0xC2, 0x08, 'T',  'S',  'A',  'P',  '1',  '2', '3', '4', 0xC0, 0x01, 0x0B};
    EXPECT_EQ(unit, expected);
}

TEST(OtherUnits, DrDcAndTcpDataHeader)
{
    Bytes unit;
    BuildDr(unit, 0x1234, 0x0301, 0x80);
    EXPECT_EQ(unit, (Bytes{0x06, 0x80, 0x34, 0x12, 0x01, 0x03, 0x80}));
    BuildDc(unit, 0x1234, 0x0301);
    EXPECT_EQ(unit, (Bytes{0x05, 0xC0, 0x34, 0x12, 0x01, 0x03}));
    BuildDtTcpHeader(unit);
    EXPECT_EQ(unit, (Bytes{0x02, 0xF0, 0x80}));
}

TEST(CcParameters, AreFoundByCodeInAnyOrderOrMissing)
{
    struct Case {
        Bytes unit;
        std::optional<uint8_t> size;
    } cases[] = {
        {{0x11, 0xD0, 0x01, 0x03, 0x44, 0x00, 0x00, 0xC0, 0x01, 0x0A, 0xC1, 0x02, 0x01, 0x00, 0xC2, 0x02,
          0x03, 0x02},
         0x0A},
        {{0x11, 0xD0, 0x01, 0x03, 0x44, 0x00, 0x00, 0xC1, 0x02, 0x01, 0x00, 0xC2, 0x02, 0x03, 0x02, 0xC0,
          0x01, 0x09},
         0x09},
        {{0x06, 0xD0, 0x01, 0x03, 0x44, 0x00, 0x00}, std::nullopt},
        // A parameter whose length runs past LI is not read.
        {{0x09, 0xD0, 0x01, 0x03, 0x44, 0x00, 0x00, 0xC0, 0x05, 0x0A}, std::nullopt},
    };
    for (const auto &c : cases) {
        auto unit = ParseUnit(c.unit);
        ASSERT_TRUE(unit);
        EXPECT_EQ(CcTpduSize(*unit), c.size);
        EXPECT_EQ(ReadReference(unit->Header(), kUnitSourceRef), 0x0044);
    }
}

TEST(ParseUnit, RefusesLengthIndicatorsBeyondTheUnit)
{
    EXPECT_FALSE(ParseUnit(Bytes{}));
    EXPECT_FALSE(ParseUnit(Bytes{0x02}));
    EXPECT_FALSE(ParseUnit(Bytes{0x05, 0xD0, 0x00}));
    EXPECT_FALSE(ParseUnit(Bytes{0x00, 0xF0}));
    auto empty_dt = ParseUnit(Bytes{0x02, 0xF0, 0x00});
    ASSERT_TRUE(empty_dt);
    EXPECT_TRUE(empty_dt->Data().empty());
}

TEST(S7Frames, SetupIsTheEighteenByteJob)
{
    Bytes m;
    AppendS7Setup(m);
    EXPECT_EQ(m, (Bytes{0x32, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x08, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x02,
                        0x00, 0x01, 0x03, 0xC0}));
}

TEST(S7Frames, ReadOfDb10FourBytesFromByteTwo)
{
    Block b;
    b.Put32(FL_RB_ITEM_COUNT, 1);
    b.Put32(FL_RB_REFERENCE, 0x0107);
    b.Item(0, 0x84, 10, 4, 2);
    Bytes m;
    ASSERT_TRUE(AppendS7Read(m, b.View()));
    Bytes expected = {0x32, 0x01, 0x00, 0x00, 0x01, 0x07, 0x00, 0x0E, 0x00, 0x00, 0x04, 0x01,
                      0x12, 0x0A, 0x10, 0x02, 0x00, 0x04, 0x00, 0x0A, 0x84, 0x00, 0x00, 0x10};
    EXPECT_EQ(m, expected);
}

TEST(S7Frames, AreaCodesGetBitSevenAndAddressesAreInBits)
{
    Block b;
    b.Put32(FL_RB_ITEM_COUNT, 2);
    b.Item(0, 0x03, 0, 2, 0x1234);
    b.Item(1, 0x81, 0, 1, 0);
    Bytes m;
    ASSERT_TRUE(AppendS7Read(m, b.View()));
    ASSERT_EQ(m.size(), 12u + 24u);
    EXPECT_EQ(m[7], 26); // parameter length: 2 items x 12 + 2
    EXPECT_EQ(m[11], 2);
    EXPECT_EQ((Bytes{m.begin() + 12, m.begin() + 24}),
              (Bytes{0x12, 0x0A, 0x10, 0x02, 0x00, 0x02, 0x00, 0x00, 0x83, 0x00, 0x91, 0xA0}));
    EXPECT_EQ(m[24 + 8], 0x81);
}

TEST(S7Frames, WriteCarriesDataWithFillsAfterOddLengthsExceptTheLast)
{
    Block b;
    b.Put32(FL_RB_ITEM_COUNT, 2);
    b.Put32(FL_RB_REFERENCE, 5);
    b.Item(0, 0x84, 1, 1, 0);
    b.Item(1, 0x84, 1, 3, 4);
    b.bytes[FL_RB_DATA] = 0xAA;
    b.bytes[FL_RB_DATA + 64] = 0x01;
    b.bytes[FL_RB_DATA + 65] = 0x02;
    b.bytes[FL_RB_DATA + 66] = 0x03;
    Bytes m;
    ASSERT_TRUE(AppendS7Write(m, b.View()));
    // data length: (4 + 1 + fill) + (4 + 3) = 13
    EXPECT_EQ(m[8], 0x00);
    EXPECT_EQ(m[9], 13);
    EXPECT_EQ(m[10], 0x05);
    Bytes data(m.begin() + 12 + 24, m.end());
    EXPECT_EQ(data, (Bytes{0x00, 0x04, 0x00, 0x08, 0xAA, 0x00, 0x00, 0x04, 0x00, 0x18, 0x01, 0x02, 0x03}));
}

TEST(S7Frames, RequestsThatDoNotFitTheBlockAreRefused)
{
    struct Case {
        uint32_t count;
        uint16_t length;
    } cases[] = {{0, 4}, {33, 4}, {1000, 4}, {1, 0}, {1, 65}};
    for (const auto &c : cases) {
        Block b;
        b.Put32(FL_RB_ITEM_COUNT, c.count);
        for (int i = 0; i < 32; ++i) {
            b.Item(i, 0x84, 1, c.length, 0);
        }
        Bytes m;
        EXPECT_FALSE(AppendS7Read(m, b.View())) << c.count << " " << c.length;
        EXPECT_FALSE(AppendS7Write(m, b.View()));
        EXPECT_TRUE(m.empty());
    }
}

TEST(S5Frames, FetchAndWriteInBothForms)
{
    Block b;
    b.Put32(FL_RB_CAPACITY, 512);
    b.Item(0, 0x0801, 12, 3, 0x00050020);
    for (int i = 0; i < 6; ++i) {
        b.bytes[FL_RB_DATA + i] = static_cast<uint8_t>(0x10 + i);
    }
    Bytes m;
    ASSERT_TRUE(AppendS5Request(m, b.View(), false, S5Form::First, 1400));
    EXPECT_EQ(m, (Bytes{0x53, 0x35, 0x10, 0x01, 0x03, 0x05, 0x03, 0x08, 0x01, 12, 0x00, 0x20, 0x00, 0x03,
                        0xFF, 0x02}));
    m.clear();
    ASSERT_TRUE(AppendS5Request(m, b.View(), true, S5Form::First, 1400));
    EXPECT_EQ(m.size(), 16u + 6u); // three words
    EXPECT_EQ(m[5], 0x03);
    EXPECT_EQ(m[16], 0x10);
    EXPECT_EQ(m[21], 0x15);

    // Second form, organisation 8: the data block is the area field's low byte.
    m.clear();
    ASSERT_TRUE(AppendS5Request(m, b.View(), true, S5Form::Second, 1400));
    EXPECT_EQ(m.size(), 16u + 3u); // three bytes, the header still says 3
    EXPECT_EQ((Bytes{m.begin() + 8, m.begin() + 14}), (Bytes{0x08, 0x01, 0x00, 0x20, 0x00, 0x03}));

    // Second form, other organisations: the data block comes from the start field's high half.
    b.Item(0, 0x0200, 12, 3, 0x00050020);
    m.clear();
    ASSERT_TRUE(AppendS5Request(m, b.View(), false, S5Form::Second, 1400));
    EXPECT_EQ((Bytes{m.begin() + 8, m.begin() + 12}), (Bytes{0x02, 0x05, 0x00, 0x20}));
}

TEST(S5Frames, WritesLongerThanAFrameAreRefused)
{
    Block b;
    b.Item(0, 1, 1, 60000, 0);
    Bytes m;
    EXPECT_FALSE(AppendS5Request(m, b.View(), true, S5Form::First, 1400));
    EXPECT_TRUE(m.empty());
    EXPECT_TRUE(AppendS5Request(m, b.View(), false, S5Form::First, 1400)); // a fetch carries no data
}

TEST(Tsap, TextsGiveTheirSelectors)
{
    struct Case {
        const char *text;
        int kind;
        Bytes local;
        Bytes remote;
        int length;
        bool cp243;
    } cases[] = {
        {"R=0;S=2", 1, {0x01, 0x00}, {0x03, 0x02}, 2, false},
        {"R=1;S=3", 1, {0x01, 0x00}, {0x03, 0x23}, 2, false},
        {"S=3,R=1", 1, {0x01, 0x00}, {0x03, 0x23}, 2, false},
        {"R=0;S=2;PG", 1, {0x01, 0x00}, {0x01, 0x02}, 2, false},
        {"R=0;S=2;OP", 1, {0x01, 0x00}, {0x02, 0x02}, 2, false},
        {"CP243", 1, {0x4D, 0x57}, {0x4D, 0x57}, 2, true},
        {"T=10.02", 1, {0x10, 0x02}, {0x10, 0x02}, 2, false},
        {"", 1, {0x01, 0x00}, {0x03, 0x02}, 2, false},
        {nullptr, 1, {0x01, 0x00}, {0x03, 0x02}, 2, false},
        {"ABCDEFGH",
         0,
         {'P', 'C', 'P', 'C', 'P', 'C', 'P', 'C'},
         {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'},
         8,
         false},
        {"AB", 2, {'P', 'C', 'P', 'C', 'P', 'C', 'P', 'C'}, {'A', 'B', 0, 0, 0, 0, 0, 0}, 8, false},
    };
    for (const auto &c : cases) {
        Tsaps t = ParseTsap(c.text, c.kind);
        SCOPED_TRACE(c.text != nullptr ? c.text : "(null)");
        EXPECT_EQ(t.length, c.length);
        EXPECT_EQ(Bytes(t.local.begin(), t.local.begin() + c.length), c.local);
        EXPECT_EQ(Bytes(t.remote.begin(), t.remote.begin() + c.length), c.remote);
        EXPECT_EQ(t.s7_200_cp, c.cp243);
    }
}

TEST(Tsap, LongS5TextsKeepNineCharactersButSendEight)
{
    Tsaps t = ParseTsap("0123456789ABC", 0);
    EXPECT_EQ(t.length, 8);
    EXPECT_EQ(t.remote[8], '8');
    EXPECT_EQ(t.remote[9], 0);
}
