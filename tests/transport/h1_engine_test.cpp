// The class 4 rules of the engine, unit by unit, through a recording link and a hand-moved clock:
// what each AK does by state, flow-control confirmations, duplicates and the idle keep-alive.
#include "engine.h"
#include "fake_link.h"
#include "h1_frames.h"

#include <gtest/gtest.h>

using namespace ferrolink;
using Bytes = std::vector<uint8_t>;

namespace
{
Bytes Ak(uint32_t number, uint16_t credit, std::optional<FlowControl> fcc = std::nullopt)
{
    Bytes unit;
    BuildAk(unit, 0x0301, number, credit, fcc);
    return unit;
}

// An AK as the engine sends it to the peer (remote reference 0x4401, our credit 1).
Bytes OurAk(uint32_t number)
{
    Bytes unit;
    BuildAk(unit, 0x4401, number, 1);
    return unit;
}

Bytes Dt(uint32_t number, const Bytes &message)
{
    Bytes unit;
    BuildDtH1Header(unit, 0x0301, number, true);
    unit.insert(unit.end(), message.begin(), message.end());
    return unit;
}

class H1Engine : public ::testing::Test
{
protected:
    H1Engine()
    {
        c.in_use = true;
        c.kind = kKindS5;
        c.local_ref = 0x0301;
        c.remote_ref = 0x4401;
        c.state = kStateConnected;
        c.send_credit = 1;
        c.send_number = 5;
        c.receive_number = 9;
        c.last_step_tick = clock.now;
        auto fake = std::make_unique<FakeLink>(Framing::H1);
        link = fake.get();
        c.link = std::move(fake);
        block.fill(0);
        block[FL_RB_CAPACITY] = 64;
        block[FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH] = 1;
    }
    void Receive(const Bytes &unit) { DispatchUnit(c, unit); }
    void Step(uint32_t ms)
    {
        clock.Advance(ms);
        EngineStep(c);
    }
    uint8_t SentCode(size_t i) const { return link->sent.at(i).at(1); }

    ManualClock clock;
    Connection c;
    FakeLink *link = nullptr;
    alignas(8) std::array<uint8_t, FL_RB_S7_BLOCK_SIZE> block{};
};
} // namespace

TEST_F(H1Engine, AkInEachStateMovesAsDocumented)
{
    // Connected, idle: the acknowledged number becomes the send number.
    Receive(Ak(7, 1));
    EXPECT_EQ(c.send_number, 7u);
    EXPECT_TRUE(link->sent.empty());

    // Request sent: an AK for it (number above ours) means the answer is to come.
    ASSERT_EQ(SubmitRequest(c, RequestBlock(block.data()), false), 1);
    Receive(Ak(7, 1));
    EXPECT_EQ(c.state, kStateRequestSent) << "acknowledges nothing new";
    Receive(Ak(8, 1));
    EXPECT_EQ(c.state, kStateAnswerExpected);
    EXPECT_EQ(c.send_number, 8u);
    EXPECT_EQ(c.retransmission_timer, 3000);

    // Not connected: the peer still thinks it has a connection; it is ended and asked anew.
    c.state = kStateNotConnected;
    link->sent.clear();
    Receive(Ak(8, 1));
    ASSERT_EQ(link->sent.size(), 2u);
    EXPECT_EQ(link->sent[0], (Bytes{0x06, 0x80, 0x01, 0x44, 0x01, 0x03, 0x00}));
    EXPECT_EQ(SentCode(1), kCodeCr);
}

TEST_F(H1Engine, FlowControlConfirmations)
{
    // A grown credit without a confirmation parameter is confirmed with the AK's own window.
    c.send_credit = 0;
    Receive(Ak(5, 2));
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0],
              (Bytes{0x13, 0x60, 0x01, 0x44, 0, 0, 0, 9, 0, 1, 0x8C, 8, 0, 0, 0, 5, 0, 0, 0, 2}));
    EXPECT_EQ(c.send_credit, 2u);

    // A confirmation that matches our window needs no answer; one that does not is answered.
    link->sent.clear();
    Receive(Ak(5, 2, FlowControl{9, 1}));
    EXPECT_TRUE(link->sent.empty());
    Receive(Ak(5, 2, FlowControl{8, 1}));
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0][0], 19);
}

TEST_F(H1Engine, DataUnitsOutOfSequence)
{
    c.state = kStateAnswerExpected;
    c.awaiting_answer = true;
    c.request = RequestBlock(block.data());
    Bytes answer = {0x53, 0x35, 0x10, 0x01, 0x03, 0x06, 0x0F, 0x03, 0x00,
                    0xFF, 0x07, 0,    0,    0,    0,    0,    0xAB, 0xCD};
    struct Case {
        uint32_t number;
        uint32_t expected_after;
    };
    // One behind (a repeat) and one ahead leave the expected number; further off moves it past.
    for (Case k : {Case{8, 9}, Case{10, 9}, Case{11, 12}, Case{2, 3}}) {
        c.receive_number = 9;
        link->sent.clear();
        Receive(Dt(k.number, answer));
        EXPECT_EQ(c.receive_number, k.expected_after) << k.number;
        ASSERT_EQ(link->sent.size(), 1u);
        EXPECT_EQ(link->sent[0], OurAk(k.expected_after)) << k.number;
        EXPECT_EQ(block[FL_RB_COMPLETION], 0) << "not delivered";
    }
    c.receive_number = 9;
    Receive(Dt(9, answer));
    EXPECT_EQ(block[FL_RB_COMPLETION], FL_COMPLETION_DONE);
    EXPECT_EQ(block[FL_RB_DATA], 0xAB);
}

TEST_F(H1Engine, IdleConnectionAsksEveryTwoSecondsThenResets)
{
    c.connection_timer = 5000;
    Step(4990);
    EXPECT_TRUE(link->sent.empty());
    Step(10);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0], OurAk(9));
    Step(1990);
    EXPECT_EQ(link->sent.size(), 1u) << "not before 2 s";
    Step(10);
    Step(2000);
    Step(2000);
    EXPECT_EQ(link->sent.size(), 4u);
    EXPECT_EQ(c.ack_resends, 4u);
    // An AK from the peer is the sign of life.
    Receive(Ak(5, 1));
    EXPECT_EQ(c.retries, 0);
    EXPECT_EQ(c.connection_timer, 5000);
    // Silent from now on: after four more the connection is reset with DR and CR.
    link->sent.clear();
    for (int i = 0; i < 5; ++i) {
        Step(i == 0 ? 5000 : 2000);
    }
    ASSERT_EQ(link->sent.size(), 6u);
    EXPECT_EQ(SentCode(4), kCodeDr);
    EXPECT_EQ(SentCode(5), kCodeCr);
    EXPECT_EQ(c.state, kStateNotConnected);
}

TEST_F(H1Engine, ConnectConfirmTakesCreditFromTheCodeAndAcknowledges)
{
    c.state = kStateNotConnected;
    c.send_credit = 0;
    Receive(Bytes{0x09, 0xD3, 0x01, 0x03, 0x02, 0x44, 0x42, 0xC0, 0x01, 0x0A});
    EXPECT_EQ(c.state, kStateConnected);
    EXPECT_EQ(c.send_credit, 3u);
    EXPECT_EQ(c.remote_ref, 0x4402);
    EXPECT_EQ(c.tpdu_size_code, 0x0A);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0], (Bytes{0x09, 0x60, 0x02, 0x44, 0, 0, 0, 0, 0, 1}));

    // A DR is confirmed with a DC and the connection starts over.
    link->sent.clear();
    Receive(Bytes{0x06, 0x80, 0x01, 0x03, 0x02, 0x44, 0x00});
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0], (Bytes{0x05, 0xC0, 0x02, 0x44, 0x01, 0x03}));
    EXPECT_EQ(c.state, kStateNotConnected);
}
