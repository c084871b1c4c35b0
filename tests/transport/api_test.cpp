// The exported functions' limits and results that need no peer.
#include "ferrolink.h"
#include "test_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace ferrolink_test;

namespace
{
// Loopback (host order), port 102 of the host: whether or not anything answers there, these tests
// only need connections that exist.
const unsigned char kRemote[6] = {0x01, 0x00, 0x00, 0x7F, 0, 0};

class Api : public ::testing::Test
{
protected:
    void TearDown() override
    {
        H1_Close_Channel(0);
        H1_Close_Channel(1);
    }
};
} // namespace

TEST_F(Api, ChannelsAreIndexedZeroAndOne)
{
    EXPECT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 2, nullptr), 0);
    EXPECT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, -1, nullptr), 0);
    EXPECT_EQ(H1_Open_Channel(0, 2, u"kvz-no-such-if"), 0);
    // With or without the privilege for raw sockets, an adapter that does not exist cannot be bound.
    EXPECT_EQ(H1_Open_Channel(0, 0, u"kvz-no-such-if"), 0);
    EXPECT_EQ(H1_Open_Channel(0, 0, nullptr), 0);
    auto *adapters = static_cast<FerrolinkAdapterList *>(H1_GetAdapternames());
    if (adapters != nullptr) {
        EXPECT_LE(adapters->count, static_cast<unsigned>(FL_MAX_ADAPTERS));
    }
    EXPECT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 1, nullptr), 1);
    H1_Close_Channel(2); // ignored
    unsigned char *status = static_cast<unsigned char *>(H1_Get_Channel_Status(1));
    EXPECT_EQ(std::vector<unsigned char>(status, status + FL_CHANNEL_STATUS_SIZE),
              std::vector<unsigned char>(6, 0));
}

TEST_F(Api, ConnectionsNeedAnOpenChannelAndAKnownKind)
{
    EXPECT_EQ(H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr), -1);
    ASSERT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 0, nullptr), 1);
    EXPECT_EQ(H1_Create_Connection(0, "R=0;S=2", kRemote, 3, nullptr), -1);
    EXPECT_EQ(H1_Create_Connection(0, "R=0;S=2", nullptr, FL_KIND_S7, nullptr), -1);
    EXPECT_EQ(H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr), 0);
}

TEST_F(Api, TheTableHoldsTwoHundredFiftySixConnectionsAndRefusesTheNext)
{
    ASSERT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 0, nullptr), 1);
    for (int i = 0; i < FL_MAX_CONNECTIONS; ++i) {
        ASSERT_EQ(H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr), i);
    }
    EXPECT_EQ(StatusField(255, FL_CS_CONNECTIONS), 256);
    EXPECT_EQ(H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr), -1);
    EXPECT_EQ(StatusField(255, FL_CS_CONNECTIONS), 256);
    // Killing the last one frees its index for the next connection.
    EXPECT_EQ(H1_Kill_Connection(255), 1);
    EXPECT_EQ(H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr), 255);
}

TEST_F(Api, StatusOfAnUnknownOrKilledConnectionIsTheRecordUnchanged)
{
    ASSERT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 0, nullptr), 1);
    int a = H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr);
    int b = H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr);
    ASSERT_EQ(b, a + 1);
    std::vector<uint8_t> before(FL_CS_SIZE);
    std::memcpy(before.data(), H1_Get_Connection_Status(a), FL_CS_SIZE);
    EXPECT_EQ(StatusField(a, FL_CS_INDEX), a);
    EXPECT_EQ(StatusField(a, FL_CS_STATE), FL_STATE_IDLE_DISCONNECTED);
    EXPECT_GT(StatusField(a, FL_CS_CONNECTION_TIMER), 0);
    std::memcpy(before.data(), H1_Get_Connection_Status(a), FL_CS_SIZE);
    for (int index : {300, -1, 256}) {
        EXPECT_EQ(0, std::memcmp(H1_Get_Connection_Status(index), before.data(), FL_CS_SIZE)) << index;
    }
    H1_Kill_Connection(b);
    EXPECT_EQ(0, std::memcmp(H1_Get_Connection_Status(b), before.data(), FL_CS_SIZE));
    H1_Kill_Connection(b); // a second kill changes nothing
    EXPECT_EQ(StatusField(a, FL_CS_CONNECTIONS), 1);
}

TEST_F(Api, ARequestOnAConnectionStillInSetUpWaitsAndASecondIsRefused)
{
    ASSERT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 0, nullptr), 1);
    int c = H1_Create_Connection(0, "R=0;S=2", kRemote, FL_KIND_S7, nullptr);
    Request r;
    r.S7(FL_REQ_S7_READ, 1, {{FL_S7_AREA_DB, 1, 2, 0}});
    EXPECT_EQ(H1_Send_Request(c, r.Raw()), 1);
    EXPECT_EQ(r.Completion(), FL_COMPLETION_RUNNING);
    EXPECT_EQ(StatusField(c, FL_CS_REQUEST_PENDING), 1);
    EXPECT_EQ(H1_Send_Request(c, r.Raw()), 0);
    EXPECT_EQ(H1_Send_Write_Data(c, r.Raw()), 0);
    EXPECT_EQ(TCP_Read(c), 0);
    // Indexes that hold nothing are harmless everywhere.
    EXPECT_EQ(TCP_Read(300), 0);
    EXPECT_EQ(H1_Send_Request(77, r.Raw()), 0);
    EXPECT_EQ(H1_Disconnect_Connection(-5), 1);
    EXPECT_EQ(H1_Kill_Connection(1000), 1);
}
