// The connection engine driven through a recording link and a hand-moved clock: connection set-up,
// S7 and S5 answers (well-formed and misbehaving), timers, retries and resets.
#include "connection_status.h"
#include "engine.h"
#include "fake_link.h"
#include "s7_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace ferrolink;
using Bytes = std::vector<uint8_t>;

namespace
{
constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;
constexpr uint8_t kUntouched = 0xEE;

Bytes Dt(const Bytes &message, bool end_of_unit = true)
{
    Bytes unit = {0x02, 0xF0, static_cast<uint8_t>(end_of_unit ? 0x80 : 0x00)};
    unit.insert(unit.end(), message.begin(), message.end());
    return unit;
}

// An S7 acknowledgement with data: header, the two parameter bytes, then `data`.
Bytes S7Answer(uint16_t ref, uint8_t function, uint8_t count, const Bytes &data, uint8_t type = 0x03)
{
    Bytes m = {0x32,
               type,
               0x00,
               0x00,
               static_cast<uint8_t>(ref >> 8),
               static_cast<uint8_t>(ref),
               0x00,
               0x02,
               static_cast<uint8_t>(data.size() >> 8),
               static_cast<uint8_t>(data.size()),
               0x00,
               0x00,
               function,
               count};
    m.insert(m.end(), data.begin(), data.end());
    return m;
}

Bytes S5Answer(uint8_t operation, uint8_t error, const Bytes &data)
{
    Bytes m = {0x53, 0x35, 0x10, 0x01, 0x03, operation, 0x0F, 0x03, error, 0xFF, 0x07, 0, 0, 0, 0, 0};
    m.insert(m.end(), data.begin(), data.end());
    return m;
}

class EngineTest : public ::testing::Test
{
protected:
    EngineTest() : memory_(kGuard + FL_RB_S7_BLOCK_SIZE + kGuard, kGuardByte)
    {
        std::fill(memory_.begin() + kGuard, memory_.end() - kGuard, kUntouched);
        Put32(FL_RB_COMPLETION, 0);
    }

    void Create(int kind)
    {
        c.in_use = true;
        c.state = kStateNotConnected;
        c.kind = kind;
        c.local_ref = 0x0301;
        c.tsaps = ParseTsap(kind == kKindS7 ? "R=0;S=2" : "TSAP", kind);
        auto fake = std::make_unique<FakeLink>();
        link = fake.get();
        c.link = std::move(fake);
        c.send_credit = 1;
        c.last_step_tick = clock.now;
        SendCr(c);
    }

    void Receive(const Bytes &unit) { DispatchUnit(c, unit); }
    void Cc() { Receive({0x06, 0xD0, 0x01, 0x03, 0x44, 0x00, 0x00}); }
    void Connect(int kind, uint16_t pdu = 480)
    {
        Create(kind);
        Cc();
        if (kind == kKindS7) {
            Receive(Dt({0x32,
                        0x03,
                        0x00,
                        0x00,
                        0xFF,
                        0xFF,
                        0x00,
                        0x08,
                        0x00,
                        0x00,
                        0x00,
                        0x00,
                        0xF0,
                        0x00,
                        0x00,
                        0x01,
                        0x00,
                        0x01,
                        static_cast<uint8_t>(pdu >> 8),
                        static_cast<uint8_t>(pdu)}));
        }
        link->sent.clear();
    }
    void Step(uint32_t ms)
    {
        clock.Advance(ms);
        EngineStep(c);
    }

    uint8_t *Block() { return memory_.data() + kGuard; }
    RequestBlock View() { return RequestBlock(Block()); }
    void Put32(int offset, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) {
            Block()[offset + i] = static_cast<uint8_t>(v >> (8 * i));
        }
    }
    void Item(int i, uint32_t area, uint16_t db, uint16_t length, uint32_t start)
    {
        int base = FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i;
        Put32(base + FL_RB_ITEM_AREA, area);
        Put32(base + FL_RB_ITEM_DB, db);
        Put32(base + FL_RB_ITEM_LENGTH, length);
        Put32(base + FL_RB_ITEM_START, start);
    }
    void S7Request(uint32_t ref, std::initializer_list<uint16_t> lengths)
    {
        Put32(FL_RB_ITEM_COUNT, static_cast<uint32_t>(lengths.size()));
        Put32(FL_RB_REFERENCE, ref);
        int i = 0;
        for (uint16_t length : lengths) {
            Item(i++, 0x84, 10, length, 0);
        }
    }
    uint32_t Completion() { return View().Completion(); }
    uint32_t Result(int item) { return View().Result(item); }
    bool GuardsIntact() const
    {
        auto intact = [](auto begin, auto end) {
            return std::all_of(begin, end, [](uint8_t b) { return b == kGuardByte; });
        };
        return intact(memory_.begin(), memory_.begin() + kGuard) &&
               intact(memory_.end() - kGuard, memory_.end());
    }
    Bytes Slot(int item, size_t n)
    {
        return Bytes(Block() + FL_RB_DATA + 64 * item, Block() + FL_RB_DATA + 64 * item + n);
    }

    ManualClock clock;
    Connection c;
    FakeLink *link = nullptr;

private:
    std::vector<uint8_t> memory_;
};
} // namespace

TEST_F(EngineTest, AnS7ConnectionSendsTheSetupOnTheCcAndTakesTheGrantedPduSize)
{
    Create(kKindS7);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0][1], 0xE0);
    // Parameters in another order than we sent them; the TPDU size is found by its code.
    Receive({0x11, 0xD0, 0x01, 0x03, 0x44, 0x00, 0x00, 0xC2, 0x02, 0x03, 0x02, 0xC0, 0x01, 0x0A, 0xC1, 0x02,
             0x01, 0x00});
    EXPECT_EQ(c.remote_ref, 0x0044);
    EXPECT_EQ(c.tpdu_size_code, 0x0A);
    EXPECT_EQ(c.state, kStateRequestSent);
    ASSERT_EQ(link->sent.size(), 2u);
    Bytes setup = Dt({});
    AppendS7Setup(setup);
    EXPECT_EQ(link->sent[1], setup);
    // A smaller PDU than asked for is what counts from now on.
    Receive(Dt({0x32, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x08, 0x00, 0x00,
                0x00, 0x00, 0xF0, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0xF0}));
    EXPECT_EQ(c.pdu_size, 240);
    EXPECT_EQ(c.state, kStateConnected);
}

TEST_F(EngineTest, ARequestMadeBeforeTheConnectionIsReadyWaitsAsPending)
{
    Create(kKindS7);
    S7Request(7, {4});
    EXPECT_EQ(SubmitRequest(c, View(), false), 1);
    EXPECT_TRUE(c.request_pending);
    EXPECT_EQ(Completion(), FL_COMPLETION_RUNNING);
    EXPECT_EQ(SubmitRequest(c, View(), false), 0);
    Connect(kKindS7);
    c.request = View();
    c.request_pending = true;
    EngineStep(c);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0][3 + 10], 0x04); // a read
    EXPECT_EQ(c.pending_sent, 1u);
    EXPECT_FALSE(c.request_pending);
}

TEST_F(EngineTest, AReadAnswerFillsTheSlotsAndResults)
{
    Connect(kKindS7);
    S7Request(0x0102, {4, 3, 2});
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(SubmitRequest(c, View(), false), 0);    // one request at a time
    Bytes data = {0xFF, 0x04, 0x00, 0x20, 1, 2, 3, 4, // item 0
                  0xFF, 0x04, 0x00, 0x18, 5, 6, 7, 0, // item 1, odd: a fill byte follows
                  0x0A, 0x00, 0x00, 0x04};            // item 2: no such object, no data
    Receive(Dt(S7Answer(0x0102, 0x04, 3, data)));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(c.state, kStateConnected);
    EXPECT_EQ(Slot(0, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(Slot(1, 4), (Bytes{5, 6, 7, kUntouched}));
    EXPECT_EQ(Result(0), 0u);
    EXPECT_EQ(Result(1), 0u);
    EXPECT_EQ(Result(2), 0x0Au);
    EXPECT_EQ(View().BytesReturned(0), 4u);
    EXPECT_EQ(View().BytesReturned(2), 0u);
    EXPECT_EQ(Slot(2, 2), (Bytes{kUntouched, kUntouched}));
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(EngineTest, MisbehavingAnswersGiveResultCodesAndNeverSpillOutOfTheBlock)
{
    struct Case {
        const char *what;
        Bytes answer;
        uint32_t result;
    } cases[] = {
        {"item data longer than requested",
         S7Answer(1, 0x04, 1, {0xFF, 0x04, 0x02, 0x00, Bytes(64, 9).front()}), 33},
        {"more data than requested, all there",
         S7Answer(1, 0x04, 1,
                  [] {
                      Bytes d = {0xFF, 0x04, 0x01, 0x00};
                      d.resize(4 + 32, 9);
                      return d;
                  }()),
         0xFF},
        {"error answer", S7Answer(1, 0x04, 1, {}, 0x02), 22},
        {"another item count", S7Answer(1, 0x04, 2, {0xFF, 0x04, 0x00, 0x10, 1, 2}), 21},
        {"a write answer to a read", S7Answer(1, 0x05, 1, {0xFF}), 21},
        {"announces more than arrived",
         [] {
             Bytes m = S7Answer(1, 0x04, 1, {0xFF, 0x04, 0x00, 0x10});
             m[9] = 6;
             return m;
         }(),
         33},
        {"a return code of zero", S7Answer(1, 0x04, 1, {0x00, 0x04, 0x00, 0x10, 1, 2}), 1},
        {"a wrong transport size", S7Answer(1, 0x04, 1, {0xFF, 0x09, 0x00, 0x02, 1, 2}), 0xFF},
        {"not S7 at all", {0x01, 0x02, 0x03}, 21},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.what);
        Connect(kKindS7);
        S7Request(1, {2});
        ASSERT_EQ(SubmitRequest(c, View(), false), 1);
        Receive(Dt(k.answer));
        EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
        EXPECT_EQ(Result(0), k.result);
        EXPECT_EQ(Slot(0, 3), (Bytes{kUntouched, kUntouched, kUntouched}));
        EXPECT_TRUE(GuardsIntact());
    }
}

TEST_F(EngineTest, ALateAnswerWithAnOldReferenceNeverFillsTheNextRequest)
{
    Connect(kKindS7);
    S7Request(8, {2});
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Receive(Dt(S7Answer(7, 0x04, 1, {0xFF, 0x04, 0x00, 0x10, 0x55, 0x66})));
    EXPECT_EQ(Completion(), FL_COMPLETION_OTHER_REFERENCE);
    EXPECT_EQ(Slot(0, 2), (Bytes{kUntouched, kUntouched}));
    // The request's own answer, arriving after it was given up, changes nothing either.
    Put32(FL_RB_COMPLETION, 0);
    Receive(Dt(S7Answer(8, 0x04, 1, {0xFF, 0x04, 0x00, 0x10, 0x55, 0x66})));
    EXPECT_EQ(Completion(), 0u);
    EXPECT_EQ(c.state, kStateConnected);
}

TEST_F(EngineTest, AnAnswerInSeveralDataUnitsIsCollectedAndEmptyUnitsAreIgnored)
{
    Connect(kKindS7);
    S7Request(3, {4});
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Receive({0x02, 0xF0, 0x00}); // empty DT
    Bytes answer = S7Answer(3, 0x04, 1, {0xFF, 0x04, 0x00, 0x20, 9, 8, 7, 6});
    Receive(Dt(Bytes(answer.begin(), answer.begin() + 10), false));
    EXPECT_EQ(c.state, kStateCollecting);
    EXPECT_EQ(Completion(), FL_COMPLETION_RUNNING);
    Receive(Dt(Bytes(answer.begin() + 10, answer.end()), true));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(Slot(0, 4), (Bytes{9, 8, 7, 6}));
}

TEST_F(EngineTest, ACutShortAnswerGivesEveryItemThirtyThree)
{
    Connect(kKindS7);
    S7Request(3, {4, 4});
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Bytes answer =
        S7Answer(3, 0x04, 2, {0xFF, 0x04, 0x00, 0x20, 9, 8, 7, 6, 0xFF, 0x04, 0x00, 0x20, 1, 2, 3, 4});
    answer.resize(answer.size() - 5);
    Receive(Dt(answer));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(Result(0), 33u);
    EXPECT_EQ(Result(1), 33u);
}

TEST_F(EngineTest, WriteAnswersGiveEachItemItsReturnCode)
{
    Connect(kKindS7);
    S7Request(4, {1, 3});
    Block()[FL_RB_DATA] = 0x42;
    ASSERT_EQ(SubmitRequest(c, View(), true), 1);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0][3 + 10], 0x05);
    Receive(Dt(S7Answer(4, 0x05, 2, {0xFF, 0x05})));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(Result(0), 0u);
    EXPECT_EQ(Result(1), 5u);
}

TEST_F(EngineTest, RequestsThatCannotBeFramedEndAtOnce)
{
    Connect(kKindS7);
    Put32(FL_RB_ITEM_COUNT, 33);
    EXPECT_EQ(SubmitRequest(c, View(), false), 1);
    EXPECT_TRUE(link->sent.empty());
    EXPECT_EQ(Completion(), FL_COMPLETION_OTHER_REFERENCE);
    EXPECT_EQ(c.state, kStateConnected);
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(EngineTest, ASilentPeerIsRetriedAndThenTheConnectionReset)
{
    Connect(kKindS7);
    S7Request(5, {4});
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Step(10);
    EXPECT_EQ(c.state, kStateAnswerExpected);
    Step(2990); // the data unit's 3 s are up
    EXPECT_EQ(c.retries, 1);
    Step(2000);
    EXPECT_EQ(c.retries, 2);
    EXPECT_EQ(link->sent.size(), 1u);
    Step(2000); // the third retry sends the request again
    EXPECT_EQ(c.retries, 3);
    ASSERT_EQ(link->sent.size(), 2u);
    EXPECT_EQ(link->sent[1], link->sent[0]);
    Step(10);
    Step(1990);
    EXPECT_EQ(c.retries, 4);
    uint32_t reconnections = c.reconnections;
    Step(10);
    Step(1990);
    EXPECT_EQ(c.state, kStateNotConnected);
    EXPECT_EQ(link->reconnects, 1);
    EXPECT_EQ(link->sent.back()[1], 0xE0);
    EXPECT_GT(c.reconnections, reconnections);
    EXPECT_GE(c.frame_resends, 1u);
    // The reconnection is set up as a new one, and the next request completes.
    Cc();
    Receive(Dt({0x32, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x08, 0x00, 0x00,
                0x00, 0x00, 0xF0, 0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0xE0}));
    S7Request(6, {2});
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Receive(Dt(S7Answer(6, 0x04, 1, {0xFF, 0x04, 0x00, 0x10, 3, 4})));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
}

TEST_F(EngineTest, AnUnansweredCrIsRepeatedEveryFiveSecondsOnAFreshSocketWhenTheOldOneDied)
{
    Create(kKindS7);
    Step(4999);
    EXPECT_EQ(link->sent.size(), 1u);
    Step(1);
    EXPECT_EQ(link->sent.size(), 2u);
    EXPECT_EQ(link->reconnects, 0);
    link->connected = false;
    Step(5000);
    EXPECT_EQ(link->sent.size(), 3u);
    EXPECT_EQ(link->reconnects, 1);
    EXPECT_EQ(c.retries, 2);
}

TEST_F(EngineTest, AnIdleConnectionWhoseSocketDiedFallsBackAndReconnects)
{
    Connect(kKindS7);
    link->connected = false;
    Step(5000);
    EXPECT_EQ(c.state, kStateNotConnected);
    Step(5000);
    EXPECT_EQ(link->reconnects, 1);
    EXPECT_EQ(link->sent.back()[1], 0xE0);
}

TEST_F(EngineTest, ADisconnectRequestSendsTheConnectionBackToSetUp)
{
    Connect(kKindS7);
    Receive({0x06, 0x80, 0x01, 0x03, 0x44, 0x00, 0x00});
    EXPECT_EQ(c.state, kStateNotConnected);
    EXPECT_EQ(c.disconnects_received, 1u);
    EXPECT_TRUE(link->sent.empty()); // no DC on TCP
}

TEST_F(EngineTest, ARequestOnAreaFifteenIsDroppedUnsent)
{
    Create(kKindS7);
    S7Request(5, {4});
    Put32(FL_RB_ITEM_BASE + FL_RB_ITEM_AREA, 15);
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Connect(kKindS7);
    c.request = View();
    c.request_pending = true;
    EngineStep(c);
    EXPECT_FALSE(c.request_pending);
    EXPECT_TRUE(link->sent.empty());
}

TEST_F(EngineTest, AnS5ConnectionIsReadyOnTheCcAndFetchesIntoTheDataArea)
{
    Create(kKindS5);
    Cc();
    EXPECT_EQ(c.state, kStateConnected);
    link->sent.clear();
    Item(0, 1, 10, 3, 0);
    Put32(FL_RB_CAPACITY, 6);
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    ASSERT_EQ(link->sent.size(), 1u);
    EXPECT_EQ(link->sent[0].size(), 3u + 16u);
    Receive(Dt(S5Answer(0x06, 0, {1, 2, 3, 4, 5, 6})));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(View().BytesReturned(0), 6u);
    EXPECT_EQ(Result(0), 0u);
    EXPECT_EQ(Bytes(Block() + FL_RB_DATA, Block() + FL_RB_DATA + 7), (Bytes{1, 2, 3, 4, 5, 6, kUntouched}));
}

TEST_F(EngineTest, S5AnswersInPiecesAreAppendedUpToTheCapacityOnly)
{
    Create(kKindS5Form2);
    Cc();
    Item(0, 0x0801, 0, 8, 0);
    Put32(FL_RB_CAPACITY, 8);
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Receive(Dt(S5Answer(0x06, 0, {1, 2, 3, 4}), false));
    EXPECT_EQ(c.state, kStateCollecting);
    Receive(Dt({5, 6, 7, 8}, true));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(View().BytesReturned(0), 8u);
    EXPECT_EQ(Bytes(Block() + FL_RB_DATA, Block() + FL_RB_DATA + 9),
              (Bytes{1, 2, 3, 4, 5, 6, 7, 8, kUntouched}));

    // More than the capacity: refused, nothing written past it.
    Put32(FL_RB_CAPACITY, 4);
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Receive(Dt(S5Answer(0x06, 0, {9, 9}), false));
    Receive(Dt({9, 9, 9}, true));
    EXPECT_EQ(Completion(), FL_COMPLETION_OTHER_REFERENCE);
    EXPECT_EQ(Block()[FL_RB_DATA + 4], 5);
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(EngineTest, S5WriteAnswersAndControllerErrors)
{
    Create(kKindS5);
    Cc();
    Item(0, 1, 10, 2, 0);
    ASSERT_EQ(SubmitRequest(c, View(), true), 1);
    Receive(Dt(S5Answer(0x04, 0x05, {})));
    EXPECT_EQ(Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(Result(0), 5u);
    // A fetch answer to a write, and a header longer than the unit, are not answers to it.
    ASSERT_EQ(SubmitRequest(c, View(), true), 1);
    Receive(Dt(S5Answer(0x06, 0, {1, 2})));
    EXPECT_EQ(Completion(), FL_COMPLETION_OTHER_REFERENCE);
    ASSERT_EQ(SubmitRequest(c, View(), false), 1);
    Bytes bad = S5Answer(0x06, 0, {});
    bad[2] = 0x40;
    Receive(Dt(bad));
    EXPECT_EQ(Completion(), FL_COMPLETION_OTHER_REFERENCE);
    EXPECT_TRUE(GuardsIntact());
}

TEST_F(EngineTest, TheStatusRecordShowsTheCountersAndItemsPerSecond)
{
    Connect(kKindS7);
    c.status_tick = clock.now;
    for (uint16_t ref = 1; ref <= 3; ++ref) {
        S7Request(ref, {2, 2});
        ASSERT_EQ(SubmitRequest(c, View(), false), 1);
        Receive(Dt(S7Answer(ref, 0x04, 2, {0xFF, 0x04, 0x00, 0x10, 1, 2, 0xFF, 0x04, 0x00, 0x10, 3, 4})));
    }
    clock.Advance(500);
    uint8_t record[FL_CS_SIZE] = {};
    FillConnectionStatus(c, 7, 9, record);
    auto field = [&](int offset) {
        return static_cast<uint16_t>(record[offset] | (record[offset + 1] << 8));
    };
    EXPECT_EQ(field(FL_CS_INDEX), 7);
    EXPECT_EQ(field(FL_CS_STATE), kStateConnected);
    EXPECT_EQ(field(FL_CS_CONNECTIONS), 9);
    EXPECT_EQ(field(FL_CS_SEND_CREDIT), 1);
    EXPECT_EQ(field(FL_CS_PDU_SIZE), 480);
    EXPECT_EQ(field(FL_CS_SEND_NUMBER), 4); // the set-up answer and three answers
    EXPECT_EQ(field(FL_CS_THROUGHPUT), 12); // six items in half a second
    EXPECT_EQ(field(FL_CS_SOCKET_CHECK), 1);
    clock.Advance(1000);
    FillConnectionStatus(c, 7, 9, record);
    EXPECT_EQ(field(FL_CS_THROUGHPUT), 0);
}
