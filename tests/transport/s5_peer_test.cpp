// S5 fetch and write in both addressing forms through the exported functions, against a responder
// that answers as a controller does, whole, trickling over several reads, or in two data units.
#include "ferrolink.h"
#include "private_network.h"
#include "s5_responder.h"
#include "tcp_poll.h"
#include "test_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace ferrolink_test;
using Bytes = std::vector<uint8_t>;

namespace
{
using peertest::kLoopback;
using peertest::Poll;
std::string g_skip;

class S5Peer : public ::testing::TestWithParam<S5Responder::Delivery>
{
protected:
    static void SetUpTestSuite() { g_skip = EnterPrivateNetwork(); }

    void SetUp() override
    {
        if (!g_skip.empty()) {
            GTEST_SKIP() << g_skip;
        }
        ASSERT_TRUE(responder_.Start(102));
        responder_.SetDelivery(GetParam());
        ASSERT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 1, nullptr), 1);
    }
    void TearDown() override { H1_Close_Channel(1); }

    int Connect(int kind)
    {
        uint32_t address = kLoopback;
        unsigned char remote[6] = {};
        std::memcpy(remote, &address, 4);
        int c = H1_Create_Connection(1, "TSAP0001", remote, kind, nullptr);
        if (c >= 0 && !Poll(c, [&] { return StatusField(c, FL_CS_STATE) == FL_STATE_CONNECTED; })) {
            return -1;
        }
        return c;
    }

    bool Run(int c, Request &r, bool write)
    {
        int sent = write ? H1_Send_Write_Data(c, r.Raw()) : H1_Send_Request(c, r.Raw());
        return sent == 1 && Poll(c, [&] { return r.Completion() != FL_COMPLETION_RUNNING; });
    }

    static void S5Item(Request &r, uint16_t kind, uint32_t area, uint16_t db, uint16_t length, uint32_t start,
                       uint32_t capacity)
    {
        r.Put16(FL_RB_REQUEST_KIND, kind);
        r.SetItem(0, {area, db, length, start});
        r.Put32(FL_RB_CAPACITY, capacity);
    }

    S5Responder responder_;
};
} // namespace

TEST_P(S5Peer, FirstFormWritesWordsAndFetchesThemBack)
{
    int c = Connect(FL_KIND_S5);
    ASSERT_GE(c, 0);
    Request w;
    S5Item(w, FL_REQ_S5_WRITE, 1, 5, 3, 10, 64);
    w.SetData({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(Run(c, w, true));
    EXPECT_EQ(w.Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(w.Result(0), 0u);
    Bytes sent = responder_.LastRequest();
    ASSERT_EQ(sent.size(), 16u + 6u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 16),
              (Bytes{0x53, 0x35, 0x10, 0x01, 0x03, 0x03, 0x03, 0x08, 0x01, 0x05, 0x00, 0x0A, 0x00, 0x03, 0xFF,
                     0x02}));

    Request f;
    S5Item(f, FL_REQ_S5_FETCH, 1, 5, 4, 10, 64);
    ASSERT_TRUE(Run(c, f, false));
    EXPECT_EQ(f.Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(f.BytesReturned(0), 8u);
    EXPECT_EQ(f.Data(9), (Bytes{1, 2, 3, 4, 5, 6, 0, 0, 0}));
}

TEST_P(S5Peer, SecondFormTakesOrganisationAndBlockFromTheAreaAndStartFields)
{
    int c = Connect(FL_KIND_S5_FORM2);
    ASSERT_GE(c, 0);
    Request w;
    S5Item(w, FL_REQ_S5_WRITE_FORM2, 0x0807, 0, 4, 2, 64); // organisation 8, block 7: 4 bytes follow
    w.SetData({9, 8, 7, 6});
    ASSERT_TRUE(Run(c, w, true));
    EXPECT_EQ(w.Completion(), FL_COMPLETION_DONE);
    Bytes sent = responder_.LastRequest();
    ASSERT_EQ(sent.size(), 16u + 4u);
    EXPECT_EQ(Bytes(sent.begin() + 8, sent.begin() + 14), (Bytes{0x08, 0x07, 0x00, 0x02, 0x00, 0x04}));

    responder_.Poke(0x02, 0x03, 0, {0x10, 0x20, 0x30, 0x40});
    Request f;
    S5Item(f, FL_REQ_S5_FETCH_FORM2, 0x0200, 0, 2, 0x00030000,
           64); // organisation 2, block 3 from the start field
    ASSERT_TRUE(Run(c, f, false));
    EXPECT_EQ(f.Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(f.Data(4), (Bytes{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(responder_.LastRequest()[9], 0x03);
}

TEST_P(S5Peer, AFetchLargerThanTheCapacityIsRefusedAndControllerErrorsAreReported)
{
    int c = Connect(FL_KIND_S5);
    ASSERT_GE(c, 0);
    Request f;
    f.bytes.fill(0xEE);
    f.Put32(FL_RB_COMPLETION, 0);
    S5Item(f, FL_REQ_S5_FETCH, 1, 5, 8, 0, 6);
    ASSERT_TRUE(Run(c, f, false));
    EXPECT_EQ(f.Completion(), FL_COMPLETION_OTHER_REFERENCE);
    EXPECT_EQ(f.Data(16)[6], 0xEE) << "nothing past the capacity";

    Request e;
    S5Item(e, FL_REQ_S5_FETCH, 1, 5, 2, 5000, 64); // beyond the responder's block
    ASSERT_TRUE(Run(c, e, false));
    EXPECT_EQ(e.Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(e.Result(0), 0x0Au);
}

INSTANTIATE_TEST_SUITE_P(Deliveries, S5Peer,
                         ::testing::Values(S5Responder::Delivery::Whole, S5Responder::Delivery::SplitReads,
                                           S5Responder::Delivery::TwoDataUnits));
