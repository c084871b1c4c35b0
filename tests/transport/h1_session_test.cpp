// H1 sessions through the exported functions: the library's own threads on one end of an in-memory
// wire, a controller responder on the other, and a clock moved by hand so that the timers of the
// recovery behaviours run in milliseconds.
#include "ferrolink.h"
#include "h1_channel.h"
#include "h1_responder.h"
#include "memory_packet_device.h"
#include "shared_clock.h"
#include "tables.h"
#include "test_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using namespace ferrolink;
using namespace ferrolink_test;
using Bytes = std::vector<uint8_t>;

namespace
{
const MacAddress kAdapterMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const MacAddress kPlcMac = {0x08, 0x00, 0x06, 0x01, 0x02, 0x03};
constexpr int kH1 = 1;
constexpr uint8_t kCr = 0xE, kDt = 0xF, kAk = 0x6, kDr = 0x8, kDc = 0xC;

template <class F> bool Eventually(F condition, int timeout_ms = 3000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Whether every live connection has had an engine step at the clock's present time.
bool AllStepped(uint32_t now)
{
    for (Connection &c : LibraryTables().connections) {
        std::lock_guard guard(c.lock);
        if (c.in_use && c.state != kStateClosed && c.link && c.last_step_tick != now) {
            return false;
        }
    }
    return true;
}

uint8_t Pattern(uint32_t address)
{
    return static_cast<uint8_t>(address * 7 + 3);
}

uint32_t Number(const Bytes &unit, size_t at)
{
    return (uint32_t{unit[at]} << 24 | uint32_t{unit[at + 1]} << 16 | uint32_t{unit[at + 2]} << 8 |
            unit[at + 3]) &
           0x7FFFFFFF;
}

class H1Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wire = MemoryWire::Pair(kAdapterMac, kPlcMac);
        SetPacketDeviceOpener([w = wire] { return w->Open(); });
        auto plc = wire->Open();
        ASSERT_TRUE(BindAdapter(*plc, u"mem1"));
        responder = std::make_unique<H1Responder>(plc, kPlcMac);
        responder->Start();
        ASSERT_EQ(H1_Open_Channel(kH1, 0, u"mem0"), 1);
    }
    void TearDown() override
    {
        H1_Close_Channel(0);
        responder->Stop();
        SetPacketDeviceOpener({});
    }

    int Connect(int kind, const char *tsap)
    {
        int c = H1_Create_Connection(0, tsap, kPlcMac.data(), kind, request.Raw());
        EXPECT_GE(c, 0);
        EXPECT_TRUE(Eventually([&] { return State(c) == FL_STATE_CONNECTED; })) << "state " << State(c);
        Quiet();
        return c;
    }
    uint16_t State(int c) { return StatusField(c, FL_CS_STATE); }
    void Quiet() { EXPECT_TRUE(wire->WaitQuiet(3000)); }
    // Moves the clock and lets the timer thread act on it before anything else happens.
    void Advance(uint32_t ms)
    {
        clock.Advance(ms);
        // Waiting for the step itself, not a few timer periods: under load the timer thread may be
        // late, and two moves of the clock would then be taken in one step.
        EXPECT_TRUE(Eventually([&] { return AllStepped(clock.TickMs()); }));
        Quiet();
    }
    bool Completes(Request &r)
    {
        return Eventually([&] { return r.Completion() == FL_COMPLETION_DONE; });
    }

    void ReadDb10(Request &r, uint32_t reference)
    {
        r.S7(FL_REQ_S7_READ, reference, {{FL_S7_AREA_DB, 10, 4, 2}, {FL_S7_AREA_MARKERS, 0, 3, 100}});
    }
    void ExpectDb10Data(const Request &r)
    {
        EXPECT_EQ(r.Result(0), 0u);
        EXPECT_EQ(r.Slot(0, 4), (Bytes{Pattern(2), Pattern(3), Pattern(4), Pattern(5)}));
        EXPECT_EQ(r.Result(1), 0u);
        EXPECT_EQ(r.Slot(1, 3), (Bytes{Pattern(100), Pattern(101), Pattern(102)}));
    }
    std::vector<Bytes> Units(uint8_t nibble)
    {
        std::vector<Bytes> units;
        for (auto &f : responder->Frames()) {
            if ((f.code >> 4) == nibble) {
                units.push_back(f.unit);
            }
        }
        return units;
    }

    SharedManualClock clock;
    std::shared_ptr<MemoryWire> wire;
    std::unique_ptr<H1Responder> responder;
    Request request;
};
} // namespace

TEST(H1Adapters, ListHoldsEveryAdapterAndEmptyRest)
{
    auto wire = std::make_shared<MemoryWire>(
        std::vector<MemoryWire::Adapter>{{u"eth0", u"First adapter", {2, 0, 0, 0, 0, 1}},
                                         {u"eth1", u"Second adapter", {2, 0, 0, 0, 0, 2}},
                                         {u"eth2", std::u16string(200, u'x'), {2, 0, 0, 0, 0, 3}}});
    SetPacketDeviceOpener([wire] { return wire->Open(); });
    auto *list = static_cast<FerrolinkAdapterList *>(H1_GetAdapternames());
    SetPacketDeviceOpener({});
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 3u);
    EXPECT_EQ(std::u16string(list->name[0]), u"eth0");
    EXPECT_EQ(std::u16string(list->description[1]), u"Second adapter");
    EXPECT_EQ(std::u16string(list->name[2]), u"eth2");
    EXPECT_EQ(std::u16string(list->description[2]).size(), FL_ADAPTER_TEXT - 1u); // cut, NUL kept
    for (int i = 3; i < FL_MAX_ADAPTERS; ++i) {
        ASSERT_NE(list->name[i], nullptr);
        EXPECT_EQ(list->name[i][0], 0);
        EXPECT_EQ(list->description[i][0], 0);
    }
}

TEST(H1Adapters, NullWhenTheLayerCannotBeOpened)
{
    SetPacketDeviceOpener([] { return std::shared_ptr<PacketDevice>(); });
    EXPECT_EQ(H1_GetAdapternames(), nullptr);
    EXPECT_EQ(H1_Open_Channel(kH1, 1, u"mem0"), 0);
    SetPacketDeviceOpener({});
}

TEST_F(H1Session, ChannelKnowsItsAdapterAndRefusesAnUnknownOne)
{
    auto *status = static_cast<uint8_t *>(H1_Get_Channel_Status(0));
    EXPECT_EQ(Bytes(status, status + 6), Bytes(kAdapterMac.begin(), kAdapterMac.end()));
    EXPECT_EQ(H1_Open_Channel(kH1, 0, u"mem0"), 0) << "already open";
    EXPECT_EQ(H1_Open_Channel(kH1, 1, u"nosuch"), 0);
    EXPECT_EQ(H1_Open_Channel(kH1, 1, nullptr), 0);
}

TEST_F(H1Session, S7ReadAndWriteComplete)
{
    int c = Connect(FL_KIND_S7, "R=0;S=2");
    EXPECT_EQ(StatusField(c, FL_CS_PDU_SIZE), 480);
    EXPECT_EQ(StatusField(c, FL_CS_TPDU_SIZE_CODE), 0x0A);
    auto crs = responder->Frames();
    ASSERT_FALSE(crs.empty());
    EXPECT_EQ(crs[0].frame_size, 60u);
    EXPECT_EQ(crs[0].unit[6], 0x42);

    ReadDb10(request, 0x1234);
    ASSERT_EQ(H1_Send_Request(c, request.Raw()), 1);
    ASSERT_TRUE(Completes(request));
    ExpectDb10Data(request);

    Request write;
    write.S7(FL_REQ_S7_WRITE, 0x1235, {{FL_S7_AREA_DB, 10, 2, 0}});
    write.SetSlot(0, {0x12, 0x34});
    ASSERT_EQ(H1_Send_Write_Data(c, write.Raw()), 1);
    ASSERT_TRUE(Completes(write));
    EXPECT_EQ(write.Result(0), 0u);
    Quiet();

    // Set-up, read and write went as DTs 0, 1, 2 with the end-of-unit bit, each at its exact length.
    auto dts = Units(kDt);
    ASSERT_EQ(dts.size(), 3u);
    for (uint32_t i = 0; i < dts.size(); ++i) {
        EXPECT_EQ(dts[i][0], 7);
        EXPECT_EQ(Number(dts[i], 4), i);
        EXPECT_EQ(dts[i][4] & 0x80, 0x80);
    }
    // Every answer was acknowledged with the number expected next.
    auto aks = Units(kAk);
    ASSERT_GE(aks.size(), 3u);
    EXPECT_EQ(Number(aks.back(), 4), 3u);
    EXPECT_EQ(StatusField(c, FL_CS_SEND_NUMBER), 3);
}

TEST_F(H1Session, S5FetchAndWriteComplete)
{
    int c = Connect(FL_KIND_S5, "ABCDEFGH");
    EXPECT_EQ(Units(kAk).size(), 1u) << "the CC is acknowledged";
    Request fetch;
    fetch.Put32(FL_RB_ITEM_BASE + FL_RB_ITEM_AREA, 1);
    fetch.Put16(FL_RB_ITEM_BASE + FL_RB_ITEM_DB, 5);
    fetch.Put16(FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH, 3);
    fetch.Put32(FL_RB_ITEM_BASE + FL_RB_ITEM_START, 10);
    fetch.Put32(FL_RB_CAPACITY, 64);
    fetch.Put16(FL_RB_REQUEST_KIND, FL_REQ_S5_FETCH);
    ASSERT_EQ(H1_Send_Request(c, fetch.Raw()), 1);
    ASSERT_TRUE(Completes(fetch));
    EXPECT_EQ(fetch.BytesReturned(0), 6u);
    EXPECT_EQ(fetch.Result(0), 0u);
    Bytes want;
    for (uint32_t b = 0; b < 6; ++b) {
        want.push_back(Pattern(20 + b));
    }
    EXPECT_EQ(fetch.Data(6), want);

    Request write = fetch;
    write.Put16(FL_RB_REQUEST_KIND, FL_REQ_S5_WRITE);
    write.Put32(FL_RB_COMPLETION, 0);
    ASSERT_EQ(H1_Send_Write_Data(c, write.Raw()), 1);
    ASSERT_TRUE(Completes(write));
    EXPECT_EQ(write.Result(0), 0u);
    auto dts = Units(kDt);
    ASSERT_EQ(dts.size(), 2u);
    EXPECT_EQ(Number(dts[1], 4), 1u) << "the second request carries the next number";
    EXPECT_EQ(dts[1].size(), 8u + 16u + 6u);
}

TEST_F(H1Session, SilentPeerGetsFourResendsThenResetAndACrEveryFiveSeconds)
{
    int c = Connect(FL_KIND_S7, "R=0;S=2");
    size_t dts = responder->Count(kDt);
    responder->SetMode(H1Responder::Mode::Silent);
    ReadDb10(request, 7);
    ASSERT_EQ(H1_Send_Request(c, request.Raw()), 1);
    ASSERT_TRUE(responder->WaitFor(kDt, dts + 1, 3000));
    Quiet();
    Advance(2900);
    EXPECT_EQ(responder->Count(kDt), dts + 1) << "nothing before 3 s";
    Advance(100);
    for (size_t resend = 1; resend <= 4; ++resend) {
        ASSERT_TRUE(responder->WaitFor(kDt, dts + 1 + resend, 3000)) << resend;
        EXPECT_EQ(StatusField(c, FL_CS_RETRIES), resend);
        if (resend < 4) {
            Advance(2000);
        }
    }
    auto copies = Units(kDt);
    EXPECT_EQ(copies.back(), copies[copies.size() - 2]) << "resent unchanged";
    EXPECT_EQ(StatusField(c, FL_CS_FRAME_RESENDS), 4);

    size_t crs = responder->Count(kCr);
    Advance(2000);
    ASSERT_TRUE(responder->WaitFor(kDr, 1, 3000));
    ASSERT_TRUE(responder->WaitFor(kCr, crs + 1, 3000));
    EXPECT_EQ(Units(kDr)[0][6], 0x00) << "reset reason";
    EXPECT_EQ(State(c), FL_STATE_IDLE_DISCONNECTED);
    EXPECT_EQ(StatusField(c, FL_CS_RECONNECTIONS), 1);
    Advance(4900);
    EXPECT_EQ(responder->Count(kCr), crs + 1);
    Advance(100);
    ASSERT_TRUE(responder->WaitFor(kCr, crs + 2, 3000));
    Advance(5000);
    ASSERT_TRUE(responder->WaitFor(kCr, crs + 3, 3000));

    // The controller comes back: the next CR connects and a new request completes.
    responder->SetMode(H1Responder::Mode::Normal);
    Advance(5000);
    ASSERT_TRUE(Eventually([&] { return State(c) == FL_STATE_CONNECTED; }));
    EXPECT_EQ(request.Completion(), FL_COMPLETION_RUNNING) << "the lost request is left to the caller";
    Request again;
    ReadDb10(again, 8);
    ASSERT_EQ(H1_Send_Request(c, again.Raw()), 1);
    ASSERT_TRUE(Completes(again));
    ExpectDb10Data(again);
}

TEST_F(H1Session, DataUnitTwoAheadMovesTheExpectedNumberAndIsNotDelivered)
{
    int c = Connect(FL_KIND_S7, "R=0;S=2");
    responder->SetMode(H1Responder::Mode::OutOfSequence);
    ReadDb10(request, 9);
    ASSERT_EQ(H1_Send_Request(c, request.Raw()), 1);
    ASSERT_TRUE(responder->WaitFor(kAk, 2, 3000));
    Quiet();
    // The set-up answer was number 0; the read's answer came as 3 instead of 1.
    EXPECT_EQ(request.Completion(), FL_COMPLETION_RUNNING);
    EXPECT_EQ(Number(Units(kAk).back(), 4), 4u);
    EXPECT_EQ(State(c), FL_STATE_ANSWER_EXPECTED);

    // No answer: two acknowledgement resends, then the request goes again as a new DT.
    size_t aks = responder->Count(kAk);
    Advance(3000);
    Advance(2000);
    EXPECT_EQ(responder->Count(kAk), aks + 2);
    EXPECT_EQ(StatusField(c, FL_CS_ACK_RESENDS), 2);
    Advance(2000);
    ASSERT_TRUE(Completes(request));
    ExpectDb10Data(request);
    auto dts = Units(kDt);
    EXPECT_EQ(Number(dts.back(), 4), 2u) << "the request again, with the next number";
    EXPECT_EQ(StatusField(c, FL_CS_FRAME_RESENDS), 1);
}

TEST_F(H1Session, WithdrawnCreditHoldsTheRequestUntilGivenBack)
{
    int c = Connect(FL_KIND_S7, "R=0;S=2");
    responder->SetMode(H1Responder::Mode::WithdrawCredit);
    ReadDb10(request, 10);
    ASSERT_EQ(H1_Send_Request(c, request.Raw()), 1);
    ASSERT_TRUE(Completes(request));
    Quiet();
    EXPECT_EQ(StatusField(c, FL_CS_SEND_CREDIT), 0);

    Request second;
    ReadDb10(second, 11);
    size_t dts = responder->Count(kDt);
    ASSERT_EQ(H1_Send_Request(c, second.Raw()), 1);
    EXPECT_EQ(H1_Send_Request(c, second.Raw()), 0) << "still pending";
    Quiet();
    EXPECT_EQ(StatusField(c, FL_CS_REQUEST_PENDING), 1);
    EXPECT_EQ(responder->Count(kDt), dts);

    // Without credit the library asks with an AK every 2 s.
    size_t aks = responder->Count(kAk);
    Advance(3000);
    EXPECT_EQ(responder->Count(kAk), aks + 1);

    responder->RestoreCredit();
    ASSERT_TRUE(Completes(second));
    ExpectDb10Data(second);
    // The grown credit was confirmed: an AK with the flow-control confirmation parameter.
    bool confirmed = false;
    for (auto &ak : Units(kAk)) {
        if (ak[0] == 19 && ak[10] == 0x8C && ak[11] == 8) {
            confirmed = true;
            EXPECT_EQ(Number(ak, 12), 2u) << "lower window edge as received";
            EXPECT_EQ(ak[18] << 8 | ak[19], 1) << "the new send credit";
        }
    }
    EXPECT_TRUE(confirmed);
}

TEST_F(H1Session, CreditNeverGivenBackEndsInAReset)
{
    int c = Connect(FL_KIND_S5, "ABCDEFGH");
    responder->SetMode(H1Responder::Mode::WithdrawCredit);
    Request fetch;
    fetch.Put16(FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH, 1);
    fetch.Put32(FL_RB_CAPACITY, 64);
    ASSERT_EQ(H1_Send_Request(c, fetch.Raw()), 1);
    ASSERT_TRUE(Completes(fetch));
    Quiet();
    responder->SetMode(H1Responder::Mode::Silent);
    fetch.Put32(FL_RB_COMPLETION, 0);
    ASSERT_EQ(H1_Send_Request(c, fetch.Raw()), 1);
    size_t crs = responder->Count(kCr);
    for (int i = 0; i < 5; ++i) {
        Advance(3000);
    }
    EXPECT_TRUE(responder->WaitFor(kDr, 1, 3000));
    EXPECT_TRUE(responder->WaitFor(kCr, crs + 1, 3000));
    EXPECT_EQ(StatusField(c, FL_CS_ACK_RESENDS), 4);
}

TEST_F(H1Session, DisconnectRequestIsConfirmedAndTheConnectionComesBack)
{
    int c = Connect(FL_KIND_S5, "ABCDEFGH");
    responder->SetMode(H1Responder::Mode::DisconnectOnData);
    Request fetch;
    fetch.Put16(FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH, 2);
    fetch.Put32(FL_RB_CAPACITY, 64);
    ASSERT_EQ(H1_Send_Request(c, fetch.Raw()), 1);
    ASSERT_TRUE(responder->WaitFor(kDc, 1, 3000));
    Quiet();
    EXPECT_EQ(State(c), FL_STATE_IDLE_DISCONNECTED);
    EXPECT_EQ(StatusField(c, FL_CS_DISCONNECTS_RECEIVED), 1);
    auto dc = Units(kDc)[0];
    EXPECT_EQ(dc, (Bytes{0x05, 0xC0, dc[2], dc[3], dc[4], dc[5]}));

    size_t crs = responder->Count(kCr);
    Advance(5000);
    ASSERT_TRUE(responder->WaitFor(kCr, crs + 1, 3000));
    ASSERT_TRUE(Eventually([&] { return State(c) == FL_STATE_CONNECTED; }));
    Request again = fetch;
    again.Put32(FL_RB_COMPLETION, 0);
    ASSERT_EQ(H1_Send_Request(c, again.Raw()), 1);
    ASSERT_TRUE(Completes(again));
    EXPECT_EQ(again.BytesReturned(0), 4u);
}

TEST_F(H1Session, FramesFromOtherStationsOrForOtherReferencesAreIgnored)
{
    int c = Connect(FL_KIND_S5, "ABCDEFGH");
    auto cc = responder->Sent().front();
    auto stranger = wire->Open();
    // A third adapter is not on the pair: write as the controller's end with another source address.
    ASSERT_TRUE(BindAdapter(*stranger, u"mem1"));
    Bytes dr = cc;
    dr[6] = 0x0A;  // another station
    dr[19] = 0x80; // DR
    stranger->WriteFrame(dr);
    Bytes wrong_ref = cc;
    wrong_ref[19] = 0x80;
    wrong_ref[20] ^= 0xFF; // another reference
    stranger->WriteFrame(wrong_ref);
    Quiet();
    EXPECT_EQ(State(c), FL_STATE_CONNECTED);
    EXPECT_EQ(StatusField(c, FL_CS_DISCONNECTS_RECEIVED), 0);
}

TEST_F(H1Session, DisconnectSendsAUserDisconnectRequest)
{
    int c = Connect(FL_KIND_S7, "R=0;S=2");
    EXPECT_EQ(H1_Disconnect_Connection(c), 1);
    ASSERT_TRUE(responder->WaitFor(kDr, 1, 3000));
    EXPECT_EQ(Units(kDr)[0][6], 0x80);
    EXPECT_EQ(H1_Kill_Connection(c), 1);
}

TEST_F(H1Session, CloseWaitsForAllFourThreads)
{
    Connect(FL_KIND_S7, "R=0;S=2");
    std::shared_ptr<H1Channel> threads;
    {
        Channel &ch = LibraryTables().channels[0];
        std::lock_guard guard(ch.lock);
        threads = ch.h1;
    }
    ASSERT_TRUE(threads);
    EXPECT_TRUE(Eventually([&] { return threads->ThreadCount() == kReceiverThreads + 1; }));
    auto start = std::chrono::steady_clock::now();
    H1_Close_Channel(0);
    EXPECT_EQ(threads->ThreadCount(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    // The channel opens again on the same adapter.
    ASSERT_EQ(H1_Open_Channel(kH1, 0, u"mem0"), 1);
}
