// libFerrolink through its exported functions only, against the snap7 S7 server on port 102 in a
// private network namespace.
#include "ferrolink.h"
#include "private_network.h"
#include "tcp_poll.h"
#include "test_request.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

using namespace ferrolink_test;
using Bytes = std::vector<uint8_t>;

namespace
{
using peertest::kLoopback;
using peertest::Poll;

std::string g_skip;
std::string g_peers;

class Snap7Peer : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        g_peers = PeersFolder(g_skip);
        if (g_skip.empty()) {
            g_skip = EnterPrivateNetwork();
        }
    }

    void SetUp() override
    {
        if (!g_skip.empty()) {
            GTEST_SKIP() << g_skip;
        }
        ASSERT_TRUE(StartServer());
        ASSERT_EQ(H1_Open_Channel(FL_CHANNEL_TCP, 0, nullptr), 1);
    }

    void TearDown() override
    {
        H1_Close_Channel(0);
        server_.Stop();
    }

    bool StartServer() { return server_.Start({"node", g_peers + "/s7_server.js"}, "ready", 10000); }

    int Connect(const char *tsap = "R=0;S=2")
    {
        uint32_t address = kLoopback;
        unsigned char remote[6] = {};
        std::memcpy(remote, &address, 4);
        int connection = H1_Create_Connection(0, tsap, remote, FL_KIND_S7, request_.Raw());
        if (connection >= 0 &&
            !Poll(connection, [&] { return StatusField(connection, FL_CS_STATE) == FL_STATE_CONNECTED; })) {
            return -1;
        }
        return connection;
    }

    // Sends and polls to completion.
    bool Run(int connection, Request &r, bool write)
    {
        int sent = write ? H1_Send_Write_Data(connection, r.Raw()) : H1_Send_Request(connection, r.Raw());
        return sent == 1 && Poll(connection, [&] { return r.Completion() != FL_COMPLETION_RUNNING; });
    }

    PeerProcess server_;
    Request request_;
};
} // namespace

TEST_F(Snap7Peer, ConnectsWithTheNegotiatedPduSize)
{
    int c = Connect();
    ASSERT_GE(c, 0);
    EXPECT_EQ(StatusField(c, FL_CS_PDU_SIZE), 960); // what we ask for, and snap7's largest
    EXPECT_EQ(StatusField(c, FL_CS_INDEX), c);
    EXPECT_EQ(StatusField(c, FL_CS_SOCKET_CHECK), 1);
    EXPECT_EQ(StatusField(c, FL_CS_CONNECTIONS), 1);
}

TEST_F(Snap7Peer, WritesAndReadsBackDataBlocksMarkersAndOutputsInOneRequest)
{
    int c = Connect();
    ASSERT_GE(c, 0);
    Request w;
    w.S7(FL_REQ_S7_WRITE, 1,
         {{FL_S7_AREA_DB, 1, 4, 0}, {FL_S7_AREA_MARKERS, 0, 3, 10}, {FL_S7_AREA_OUTPUTS, 0, 1, 3}});
    w.SetSlot(0, {0xDE, 0xAD, 0xBE, 0xEF});
    w.SetSlot(1, {0x11, 0x22, 0x33});
    w.SetSlot(2, {0x5A});
    ASSERT_TRUE(Run(c, w, true));
    EXPECT_EQ(w.Completion(), FL_COMPLETION_DONE);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.Result(i), 0u) << i;
    }

    Request r;
    r.S7(FL_REQ_S7_READ, 2,
         {{FL_S7_AREA_DB, 1, 4, 0},
          {FL_S7_AREA_MARKERS, 0, 3, 10},
          {FL_S7_AREA_OUTPUTS, 0, 1, 3},
          {FL_S7_AREA_INPUTS, 0, 4, 0},
          {FL_S7_AREA_DB, 10, 4, 2}});
    ASSERT_TRUE(Run(c, r, false));
    EXPECT_EQ(r.Completion(), FL_COMPLETION_DONE);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.Result(i), 0u) << i;
    }
    EXPECT_EQ(r.Slot(0, 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(r.Slot(1, 3), (Bytes{0x11, 0x22, 0x33}));
    EXPECT_EQ(r.Slot(2, 1), (Bytes{0x5A}));
    EXPECT_EQ(r.Slot(3, 4), (Bytes{255, 254, 253, 252}));
    EXPECT_EQ(r.Slot(4, 4), (Bytes{2, 3, 4, 5}));
    EXPECT_EQ(r.BytesReturned(4), 4u);
}

TEST_F(Snap7Peer, ADataBlockThatDoesNotExistGivesTheItemsResultCode)
{
    int c = Connect();
    ASSERT_GE(c, 0);
    Request r;
    r.S7(FL_REQ_S7_READ, 3, {{FL_S7_AREA_DB, 10, 2, 0}, {FL_S7_AREA_DB, 99, 2, 0}});
    ASSERT_TRUE(Run(c, r, false));
    EXPECT_EQ(r.Completion(), FL_COMPLETION_DONE);
    EXPECT_EQ(r.Result(0), 0u);
    EXPECT_EQ(r.Result(1), 0x0Au); // object does not exist
}

TEST_F(Snap7Peer, ASecondRequestWhileOneIsPendingIsRefused)
{
    int c = Connect();
    ASSERT_GE(c, 0);
    Request r;
    r.S7(FL_REQ_S7_READ, 4, {{FL_S7_AREA_DB, 10, 4, 0}});
    Request other;
    other.S7(FL_REQ_S7_READ, 5, {{FL_S7_AREA_DB, 10, 4, 4}});
    ASSERT_EQ(H1_Send_Request(c, r.Raw()), 1);
    EXPECT_EQ(H1_Send_Request(c, other.Raw()), 0);
    EXPECT_EQ(H1_Send_Write_Data(c, other.Raw()), 0);
    ASSERT_TRUE(Poll(c, [&] { return r.Completion() != FL_COMPLETION_RUNNING; }));
    EXPECT_EQ(r.Slot(0, 4), (Bytes{0, 1, 2, 3}));
    ASSERT_TRUE(Run(c, other, false));
    EXPECT_EQ(other.Slot(0, 4), (Bytes{4, 5, 6, 7}));
}

TEST_F(Snap7Peer, TheEngineResetsAndReconnectsWhenTheServerRestarts)
{
    int c = Connect();
    ASSERT_GE(c, 0);
    Request r;
    r.S7(FL_REQ_S7_READ, 6, {{FL_S7_AREA_DB, 10, 4, 8}});
    ASSERT_TRUE(Run(c, r, false));
    uint16_t reconnections = StatusField(c, FL_CS_RECONNECTIONS);
    server_.Stop();
    // Keep polling and asking, as a poll engine would, while the server is away and after it is back.
    auto ask_until_done = [&](int timeout_ms) {
        return Poll(
            c,
            [&] {
                if (r.Completion() == FL_COMPLETION_DONE && r.Result(0) == 0) {
                    return true;
                }
                r.SetItem(0, {FL_S7_AREA_DB, 10, 4, 8});
                H1_Send_Request(c, r.Raw());
                return false;
            },
            timeout_ms);
    };
    r.Put32(FL_RB_COMPLETION, 0);
    EXPECT_FALSE(ask_until_done(1000));
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(ask_until_done(30000));
    EXPECT_EQ(r.Slot(0, 4), (Bytes{8, 9, 10, 11}));
    EXPECT_GT(StatusField(c, FL_CS_RECONNECTIONS), reconnections);
}

TEST_F(Snap7Peer, DisconnectAndKillEndTheConnection)
{
    int c = Connect();
    ASSERT_GE(c, 0);
    int d = Connect();
    ASSERT_EQ(d, c + 1);
    EXPECT_EQ(H1_Disconnect_Connection(d), 1);
    // A disconnected connection's status is no longer refreshed.
    StatusField(c, FL_CS_STATE);
    EXPECT_EQ(StatusField(d, FL_CS_INDEX), c);
    EXPECT_EQ(H1_Kill_Connection(d), 1);
    EXPECT_EQ(StatusField(c, FL_CS_CONNECTIONS), 1);
    // The killed index is handed out again, and works.
    int e = Connect();
    EXPECT_EQ(e, d);
    Request r;
    r.S7(FL_REQ_S7_READ, 7, {{FL_S7_AREA_DB, 10, 2, 0}});
    ASSERT_TRUE(Run(e, r, false));
    EXPECT_EQ(r.Result(0), 0u);
}

TEST_F(Snap7Peer, SixteenConnectionsAtOnceAllComplete)
{
    std::vector<int> connections;
    for (int i = 0; i < 16; ++i) {
        connections.push_back(Connect());
        ASSERT_GE(connections.back(), 0);
    }
    std::vector<Request> requests(16);
    for (int i = 0; i < 16; ++i) {
        requests[i].S7(FL_REQ_S7_READ, 100 + i, {{FL_S7_AREA_DB, 10, 1, static_cast<uint32_t>(i)}});
        ASSERT_EQ(H1_Send_Request(connections[i], requests[i].Raw()), 1);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int done = 0;
    while (done < 16 && std::chrono::steady_clock::now() < deadline) {
        done = 0;
        for (int i = 0; i < 16; ++i) {
            TCP_Read(connections[i]);
            done += requests[i].Completion() == FL_COMPLETION_DONE ? 1 : 0;
        }
    }
    ASSERT_EQ(done, 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(requests[i].Slot(0, 1), (Bytes{static_cast<uint8_t>(i)}));
    }
}

TEST_F(Snap7Peer, ACProgramThatKnowsOnlyTheHeaderSurvivesAServerRestart)
{
    PeerProcess client;
    ASSERT_TRUE(client.Start({FERROLINK_C_CLIENT}, "restart", 10000));
    server_.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(StartServer());
    client.Send("go");
    EXPECT_EQ(client.Wait(40000), 0);
}

namespace
{
std::string CommandOutput(const std::string &command)
{
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        out.append(chunk, n);
    }
    pclose(pipe);
    return out;
}
} // namespace

TEST_F(Snap7Peer, TsharkDecodesASessionWithoutMalformedPackets)
{
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed";
    }
    auto folder = std::filesystem::temp_directory_path() / ("ferrolink-capture-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    auto file = folder / "session.pcapng";
    PeerProcess capture;
    ASSERT_TRUE(capture.Start({"tshark", "-i", "lo", "-q", "-w", file.string()}, "", 0));
    for (int i = 0; i < 100 && !(std::filesystem::exists(file) && std::filesystem::file_size(file) > 0);
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    int c = Connect();
    ASSERT_GE(c, 0);
    Request w;
    w.S7(FL_REQ_S7_WRITE, 0x21, {{FL_S7_AREA_DB, 1, 3, 0}, {FL_S7_AREA_MARKERS, 0, 2, 4}});
    w.SetSlot(0, {1, 2, 3});
    w.SetSlot(1, {4, 5});
    ASSERT_TRUE(Run(c, w, true));
    Request r;
    r.S7(FL_REQ_S7_READ, 0x22,
         {{FL_S7_AREA_DB, 1, 3, 0}, {FL_S7_AREA_DB, 99, 2, 0}, {FL_S7_AREA_INPUTS, 0, 1, 0}});
    ASSERT_TRUE(Run(c, r, false));
    H1_Disconnect_Connection(c);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    capture.Stop();

    std::string text = CommandOutput("tshark -r '" + file.string() + "' -V -d tcp.port==102,tpkt 2>&1");
    std::filesystem::remove_all(folder);
    EXPECT_NE(text.find("TPKT"), std::string::npos);
    EXPECT_NE(text.find("ISO 8073/X.224 COTP"), std::string::npos);
    EXPECT_NE(text.find("CR Connect Request"), std::string::npos);
    EXPECT_NE(text.find("CC Connect Confirm"), std::string::npos);
    EXPECT_NE(text.find("S7 Communication"), std::string::npos);
    EXPECT_NE(text.find("Setup communication"), std::string::npos);
    EXPECT_NE(text.find("Write Var"), std::string::npos);
    EXPECT_NE(text.find("Read Var"), std::string::npos);
    EXPECT_EQ(text.find("Malformed"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Expert Info (Error"), std::string::npos);
}
