// H1 framing and the class 4 units against their documented bytes, and the 31-bit numbering.
#include "cotp_frames.h"
#include "engine.h"
#include "fake_link.h"
#include "h1_frames.h"
#include "h1_link.h"
#include "memory_packet_device.h"
#include "tsap.h"

#include <gtest/gtest.h>

using namespace ferrolink;
using Bytes = std::vector<uint8_t>;

namespace
{
const MacAddress kAdapter = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const MacAddress kPlc = {0x08, 0x00, 0x06, 0x01, 0x02, 0x03};

// The frame an H1 link writes for a unit, as it appears on the wire.
Bytes FrameOf(const Bytes &unit)
{
    auto wire = MemoryWire::Pair(kAdapter, kPlc);
    auto device = wire->Open();
    EXPECT_TRUE(BindAdapter(*device, u"mem0"));
    H1Link link(device, kAdapter, kPlc);
    EXPECT_EQ(link.SendUnit(unit), 0);
    auto log = wire->Log();
    return log.empty() ? Bytes{} : log.back();
}
} // namespace

TEST(H1Frames, S7ConnectionRequestIsTheDocumentedSixtyBytes)
{
    Bytes cr;
    BuildCr(cr, 0x0301, ParseTsap("R=0;S=2", 1), Framing::H1);
    Bytes expected = {0x08, 0x00, 0x06, 0x01, 0x02, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01,
                      0x00, 0x20, 0xFE, 0xFE, 0x03, 0x00, 0x1B, 0xE0, 0x00, 0x00, 0x01, 0x03,
                      0x42, 0xC1, 0x02, 0x01, 0x00, 0xC2, 0x02, 0x03, 0x02, 0xC0, 0x01, 0x0B,
                      0xC6, 0x01, 0x03, 0xC4, 0x01, 0x01, 0x63, 0x02, 0x00, 0x00};
    expected.resize(60, 0x00);
    EXPECT_EQ(FrameOf(cr), expected);
}

TEST(H1Frames, ControlUnitsArePaddedDataUnitsAreNot)
{
    Bytes dr;
    BuildDr(dr, 0x4401, 0x0301, 0x80);
    Bytes frame = FrameOf(dr);
    ASSERT_EQ(frame.size(), 60u);
    EXPECT_EQ(frame[12], 0x00);
    EXPECT_EQ(frame[13], 11); // LLC, network layer byte and the 7-byte unit
    EXPECT_EQ(Bytes(frame.begin() + 18, frame.begin() + 25),
              (Bytes{0x06, 0x80, 0x01, 0x44, 0x01, 0x03, 0x80}));
    EXPECT_TRUE(std::all_of(frame.begin() + 25, frame.end(), [](uint8_t b) { return b == 0; }));

    Bytes dt;
    BuildDtH1Header(dt, 0x4401, 5, true);
    dt.insert(dt.end(), {0xAA, 0xBB});
    frame = FrameOf(dt);
    ASSERT_EQ(frame.size(), 14u + 4u + 10u);
    EXPECT_EQ(frame[13], 14);
    EXPECT_EQ(Bytes(frame.begin() + 18, frame.end()),
              (Bytes{0x07, 0xF0, 0x01, 0x44, 0x80, 0x00, 0x00, 0x05, 0xAA, 0xBB}));
}

TEST(H1Frames, AcknowledgementWithAndWithoutFlowControlConfirmation)
{
    Bytes ak;
    BuildAk(ak, 0x4401, 5, 1);
    EXPECT_EQ(ak, (Bytes{0x09, 0x60, 0x01, 0x44, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01}));
    BuildAk(ak, 0x4401, 5, 1, FlowControl{0x01020304, 3});
    EXPECT_EQ(ak, (Bytes{0x13, 0x60, 0x01, 0x44, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01,
                         0x8C, 0x08, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x03}));
    auto parsed = ParseAk(ak);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->acknowledged, 5u);
    EXPECT_EQ(parsed->credit, 1u);
    ASSERT_EQ(parsed->confirmations.size(), 1u);
    EXPECT_EQ(parsed->confirmations[0].lower_edge, 0x01020304u);
    EXPECT_EQ(parsed->confirmations[0].credit, 3u);
    // Too short for the number and credit; a parameter running past the header is not read.
    EXPECT_FALSE(ParseAk(Bytes{0x05, 0x60, 0x01, 0x44, 0x00, 0x00}));
    parsed = ParseAk(Bytes{0x0B, 0x60, 0x01, 0x44, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01, 0x8C, 0x08});
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->has_confirmation);
}

TEST(H1Frames, DataUnitNumbersWrapAtThirtyOneBits)
{
    Bytes dt;
    BuildDtH1Header(dt, 0x0102, 0x7FFFFFFF, true);
    EXPECT_EQ(dt, (Bytes{0x07, 0xF0, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF}));
    BuildDtH1Header(dt, 0x0102, 0x7FFFFFFF, false);
    EXPECT_EQ(dt[4], 0x7F);
    EXPECT_EQ(NextNumber(0x7FFFFFFF), 0u);
    BuildDtH1Header(dt, 0x0102, NextNumber(0x7FFFFFFF), true);
    EXPECT_EQ(Bytes(dt.begin() + 4, dt.end()), (Bytes{0x80, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(NumberAbove(0, 0x7FFFFFFF));
    EXPECT_FALSE(NumberAbove(0x7FFFFFFF, 0));
    EXPECT_EQ(NumberDistance(1, 0x7FFFFFFF), 2u);
}

TEST(H1Frames, ReceivedFramesAreCutAtTheLengthFieldAndChecked)
{
    Bytes frame = {0x02, 0,    0,    0,    0,    1,    0x08, 0,    6,    1,    2,    3,   0x00,
                   0x0B, 0xFE, 0xFE, 0x03, 0x00, 0x06, 0x80, 0x01, 0x03, 0x01, 0x44, 0x00};
    frame.resize(60, 0); // padded on the wire
    auto unit = H1FrameUnit(frame);
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->size(), 7u);
    struct Case {
        const char *what;
        size_t at;
        uint8_t value;
    };
    for (const Case &bad :
         {Case{"length beyond the frame", 13, 61}, Case{"EtherType, not a length", 12, 0x08},
          Case{"other LLC", 14, 0xAA}, Case{"length below the LLC header", 13, 3}}) {
        Bytes b = frame;
        b[bad.at] = bad.value;
        EXPECT_FALSE(H1FrameUnit(b)) << bad.what;
    }
    EXPECT_FALSE(H1FrameUnit(Bytes(frame.begin(), frame.begin() + 17)));
}

// The engine's class 4 numbering across the wrap: a DT sent with the highest number is
// acknowledged with 0, which lies ahead of it.
TEST(H1Frames, EngineNumbersAcrossTheWrap)
{
    ManualClock clock;
    Connection c;
    c.in_use = true;
    c.state = kStateConnected;
    c.kind = kKindS5;
    c.remote_ref = 0x4401;
    c.send_credit = 1;
    c.send_number = 0x7FFFFFFF;
    c.receive_number = 0x7FFFFFFF;
    c.last_step_tick = clock.now;
    auto fake = std::make_unique<FakeLink>(Framing::H1);
    FakeLink *link = fake.get();
    c.link = std::move(fake);
    alignas(8) std::array<uint8_t, FL_RB_S7_BLOCK_SIZE> block{};
    block[FL_RB_CAPACITY] = 100;
    block[FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH] = 2;
    ASSERT_EQ(SubmitRequest(c, RequestBlock(block.data()), false), 1);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(Bytes(link->sent[0].begin(), link->sent[0].begin() + 8),
              (Bytes{0x07, 0xF0, 0x01, 0x44, 0xFF, 0xFF, 0xFF, 0xFF}));
    DispatchUnit(c, Bytes{0x09, 0x60, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(c.state, kStateAnswerExpected);
    EXPECT_EQ(c.send_number, 0u);
    // The answer numbered at the top of the range is taken, and the next one expected is 0.
    Bytes answer = {0x07, 0xF0, 0x01, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0x53, 0x35, 0x10, 0x01, 0x03, 0x06,
                    0x0F, 0x03, 0x00, 0xFF, 0x07, 0,    0,    0,    0,    0,    0x11, 0x22, 0x33, 0x44};
    DispatchUnit(c, answer);
    EXPECT_EQ(c.receive_number, 0u);
    EXPECT_EQ(block[FL_RB_COMPLETION], FL_COMPLETION_DONE);
    EXPECT_EQ(link->sent.back(), (Bytes{0x09, 0x60, 0x01, 0x44, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}));
}
