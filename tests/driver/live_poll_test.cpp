// KVZSPOLL end to end: the configuration file, the driver image, libFerrolink, snap7 servers in a
// private network namespace, and the data, status words, counters and messages back in the image.
#include "engine_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include "driver/request_port.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace drivertest;
using Bytes = std::vector<uint8_t>;

namespace
{

constexpr uint16_t kGood = 0, kFailed = 4293, kRefused = 4294, kNotPolled = 4296;

std::string g_skip;
std::string g_peers;

// Image indexes of the records below, in file order.
enum Record : int16_t { kDb1, kM10, kI0, kQ3, kDb10Long, kDisabled, kMissingDb, kDead };

PlantCsv Plant()
{
    return {{"1,Yes,0.5,1.0,1,TCP/IP,lo"},
            {"GOOD,1,snap7,E127.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED",
             "DEAD,1,stopped,E127.0.0.2,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED"},
            {"1,GOOD,Byte,0.2,Disabled,Disabled,0.0,\"DB001,B0000\",8",
             "2,GOOD,Byte,0.2,Disabled,Disabled,0.0,M10,4", "3,GOOD,Byte,0.2,Disabled,Disabled,0.0,I0,4",
             "4,GOOD,Byte,0.2,Disabled,Disabled,0.0,Q3,2",
             "5,GOOD,Byte,0.2,Disabled,Disabled,0.0,\"DB010,B0100\",100",
             "6,GOOD,Byte,Disabled,Disabled,Disabled,0.0,M100,2",
             "7,GOOD,Byte,0.2,Disabled,Disabled,0.0,\"DB099,B0000\",2",
             "8,DEAD,Byte,0.2,Disabled,Disabled,0.0,\"DB001,B0000\",4"}};
}

class LivePoll : public EngineTest
{
protected:
    static void SetUpTestSuite()
    {
        g_peers = ferrolink_test::PeersFolder(g_skip);
        if (g_skip.empty())
            g_skip = ferrolink_test::EnterPrivateNetwork();
    }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (!g_skip.empty())
            GTEST_SKIP() << g_skip;
        ASSERT_TRUE(StartServer());
        for (const char *poke : {"poke db1 0 0102030405060708", "poke mk 10 a1b2c3d4", "poke pa 3 5a5b"}) {
            server_.Send(poke);
            ASSERT_TRUE(server_.WaitForLine("poked", 5000));
        }
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        server_.Stop();
    }
    bool StartServer()
    {
        return server_.Start({"node", g_peers + "/s7_server.js", "127.0.0.1"}, "ready", 10000);
    }
    bool AllOf(std::initializer_list<int16_t> records, uint16_t status, int timeout_ms)
    {
        return WaitUntil(
            [&] {
                return std::all_of(records.begin(), records.end(),
                                   [&](int16_t r) { return Status(r) == status; });
            },
            timeout_ms);
    }
    // How many fresh time stamps a record gets over a window.
    int StampsOver(int16_t record, int window_ms)
    {
        int count = 0;
        uint64_t last = Stamp(record);
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(window_ms);
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            uint64_t now = Stamp(record);
            count += now != last;
            last = now;
        }
        return count;
    }
    ferrolink_test::PeerProcess server_;
};

} // namespace

TEST_F(LivePoll, RecordsHoldTheServersBytesWithStatusesCountersAndOneMessagePerChange)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_TRUE(AllOf({kDb1, kM10, kI0, kQ3, kDb10Long}, kGood, 5000)) << Status(kDb1);
    EXPECT_EQ(Data(kDb1, 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Data(kM10, 4), (Bytes{0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_EQ(Data(kI0, 4), (Bytes{255, 254, 253, 252}));
    EXPECT_EQ(Data(kQ3, 2), (Bytes{0x5A, 0x5B}));
    Bytes db10 = Data(kDb10Long, 100); // more than one item of the request
    ASSERT_EQ(db10.size(), 100u);
    for (size_t i = 0; i < db10.size(); ++i)
        ASSERT_EQ(db10[i], 100 + i) << i;
    EXPECT_NE(Stamp(kDb1), 0u);
    EXPECT_LT((nio::FileTimeNow() - Stamp(kDb1)) / 10000, 2000u); // stamped now, in FILETIME units

    EXPECT_EQ(Status(kDisabled), kNotPolled);
    EXPECT_TRUE(AllOf({kMissingDb}, kRefused, 3000)) << Status(kMissingDb);
    EXPECT_TRUE(AllOf({kDead}, kFailed, 5000)) << Status(kDead);

    // The healthy device keeps its 0.2 s rhythm while the dead one times out.
    EXPECT_GE(StampsOver(kDb1, 2000), 8);

    uint8_t *channel = nio_map_chan(0);
    ASSERT_NE(channel, nullptr);
    uint16_t tx = nio::ReadU16(channel, nio::kChanTxCount), rx = nio::ReadU16(channel, nio::kChanRxCount);
    EXPECT_TRUE(WaitUntil([&] { return nio::ReadU16(channel, nio::kChanRxCount) >= rx + 10; }, 3000));
    EXPECT_GT(nio::ReadU16(channel, nio::kChanTxCount), tx);
    EXPECT_GE(nio::ReadU16(channel, nio::kChanTxCount), nio::ReadU16(channel, nio::kChanRxCount));

    auto messages = Messages();
    auto count = [&](const std::string &part) {
        return std::count_if(messages.begin(), messages.end(),
                             [&](const std::string &m) { return m.find(part) != std::string::npos; });
    };
    EXPECT_EQ(count("GOOD connection made to 127.0.0.1"), 1);
    // Never connected: it failed, it was not lost.
    EXPECT_EQ(count("DEAD connection failed to 127.0.0.2"), 1);
    EXPECT_EQ(count("DEAD connection lost to"), 0);
    EXPECT_EQ(count("GOOD record 7 DB99,B0 refused by the controller: item result 10"), 1);
}

TEST_F(LivePoll, AStoppedServerFailsItsRecordsAndTheyRecoverWhenItIsBack)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_TRUE(AllOf({kDb1, kM10}, kGood, 5000));
    server_.Stop();
    EXPECT_TRUE(AllOf({kDb1, kM10, kI0}, kFailed, 5000)) << Status(kDb1);
    ASSERT_TRUE(StartServer());
    EXPECT_TRUE(AllOf({kDb1, kM10, kI0}, kGood, 20000)) << Status(kDb1);
    auto messages = Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "GOOD connection lost to 127.0.0.1"),
              messages.end());
}

TEST_F(LivePoll, AReloadMovesPollingToTheNextImage)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_TRUE(AllOf({kDb1}, kGood, 5000));
    uint8_t *block = MapToDriver(0);
    ASSERT_EQ(ReloadConfiguration(config_.c_str(), "KVZ"), 1);
    ASSERT_NE(nio_map_hdr(), nullptr);
    EXPECT_EQ(nio::LoadField32(block, nio::kCbCurrentMap), 2u);
    EXPECT_TRUE(AllOf({kDb1, kM10}, kGood, 5000)) << Status(kDb1);
    EXPECT_EQ(Data(kDb1, 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_GE(StampsOver(kDb1, 1000), 3);
}

TEST_F(LivePoll, DriverReadAndValuesPrintWhatTheRecordsHold)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_TRUE(AllOf({kDb1, kM10}, kGood, 5000));
    ASSERT_TRUE(AllOf({kDead}, kFailed, 5000));
    std::string out;
    EXPECT_EQ(Kvzcfg("driver read GOOD:DB1,DBW2", &out), 0);
    EXPECT_EQ(out.rfind("GOOD:DB1,DBW2 = 772 (03 04) good, age ", 0), 0u) << out;
    EXPECT_EQ(Kvzcfg("driver read good:M11.1", &out), 0);
    EXPECT_EQ(out.rfind("good:M11.1 = 1 (B2) good", 0), 0u) << out;
    EXPECT_EQ(Kvzcfg("driver read DEAD:DB1,DBB0", &out), 0);
    EXPECT_NE(out.find("failed"), std::string::npos) << out;
    EXPECT_EQ(Kvzcfg("driver read GOOD:DB1,DBD6", &out), 1); // runs past the record
    EXPECT_EQ(Kvzcfg("driver read NOSUCH:MW0", &out), 1);

    EXPECT_EQ(Kvzcfg("driver values GOOD", &out), 0);
    EXPECT_NE(out.find("1\tDB1,B0\t8\tgood\t"), std::string::npos) << out;
    EXPECT_NE(out.find("\t01 02 03 04 05 06 07 08\n"), std::string::npos) << out;
    EXPECT_NE(out.find("6\tM100\t2\tnot polled\tnever\t"), std::string::npos) << out;
}

// A device with a backup: the primary and the backup server hold different bytes, so the data show
// which one answered.
TEST_F(LivePoll, ALostPrimaryFailsOverToTheBackupAndBothLostFailTheRecords)
{
    ferrolink_test::PeerProcess backup;
    ASSERT_TRUE(backup.Start({"node", g_peers + "/s7_server.js", "127.0.0.2"}, "ready", 10000));
    backup.Send("poke db1 0 a1a2a3a4");
    ASSERT_TRUE(backup.WaitForLine("poked", 5000));
    ASSERT_TRUE(
        StartEngine({{"1,Yes,0.5,1.0,1,TCP/IP,lo"},
                     {"PAIR,1,primary and backup,E127.0.0.1,R=0;S=2,Not Used,S7 300,E127.0.0.2,R=0;S=2,"
                      "Not Used"},
                     {"1,PAIR,Byte,0.2,Disabled,Disabled,0.0,\"DB001,B0000\",4"}}));
    ASSERT_TRUE(AllOf({0}, kGood, 5000)) << Status(0);
    EXPECT_EQ(Data(0, 4), (Bytes{1, 2, 3, 4}));

    server_.Stop();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Status(0) == kGood && Data(0, 4) == Bytes{0xA1, 0xA2, 0xA3, 0xA4};
        },
        10000))
        << Status(0);
    auto messages = Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "PAIR failed over to backup 127.0.0.2"),
              messages.end());

    backup.Stop();
    EXPECT_TRUE(AllOf({0}, kFailed, 5000)) << Status(0);
    // The records keep the last bytes they read; only the status word says they are stale.
    EXPECT_EQ(Data(0, 4), (Bytes{0xA1, 0xA2, 0xA3, 0xA4}));
}

// Reads of addresses no record covers, far more than the ring holds, then the controller goes: the
// alarm still reaches the reader, and the reader learns that messages were dropped.
TEST_F(LivePoll, AFloodOfLearnMessagesNeverPushesOutTheAlarmThatFollows)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_TRUE(AllOf({kDb1}, kGood, 5000));
    Messages(); // what start-up said
    for (int i = 0; i < 300; ++i) {
        spoll::PortAnswer a = spoll::AskRequestPort("read GOOD:MW" + std::to_string(1000 + 2 * (i % 100)));
        ASSERT_EQ(a.outcome, spoll::PortAnswer::Outcome::Answered) << i;
        ASSERT_EQ(a.text.rfind("1\n", 0), 0u) << a.text;
    }
    server_.Stop();
    ASSERT_TRUE(AllOf({kDb1}, kFailed, 5000)) << Status(kDb1);
    std::vector<std::string> messages;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (auto &m : Messages())
                messages.push_back(m);
            return std::find(messages.begin(), messages.end(), "GOOD connection lost to 127.0.0.1") !=
                   messages.end();
        },
        3000))
        << messages.size() << " messages, the last: " << (messages.empty() ? "" : messages.back());
    auto learned = std::count_if(messages.begin(), messages.end(),
                                 [](const std::string &m) { return m.rfind("NIO-*LEARN-GOOD:MW", 0) == 0; });
    EXPECT_GE(learned, 1);
    EXPECT_LT(learned, 63);
    EXPECT_NE(std::find_if(messages.begin(), messages.end(),
                           [](const std::string &m) { return m.ends_with(" messages dropped"); }),
              messages.end());
}

// A controller away for a second costs what the channel says: the connection is made again at
// once, and after a further failure once the channel's delay is over; not the transport's own
// timers (3 s, then 4 times 2 s).
struct Outage {
    double replyTimeout, delay;
    int retries;
};

class LivePollOutage : public LivePoll, public ::testing::WithParamInterface<Outage>
{
};

TEST_P(LivePollOutage, AControllerAwayForASecondIsGoodAgainWithinTheChannelsDelayAndReplyTimeout)
{
    const Outage o = GetParam();
    char channel[64];
    std::snprintf(channel, sizeof channel, "1,Yes,%.1f,%.1f,%d,TCP/IP,lo", o.replyTimeout, o.delay,
                  o.retries);
    ASSERT_TRUE(StartEngine({{channel},
                             {"GOOD,1,snap7,E127.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED"},
                             {"1,GOOD,Byte,0.2,Disabled,Disabled,0.0,\"DB001,B0000\",8"}}));
    ASSERT_TRUE(AllOf({0}, kGood, 5000)) << Status(0);
    server_.Stop();
    ASSERT_TRUE(AllOf({0}, kFailed, 5000)) << Status(0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(StartServer());
    auto back = std::chrono::steady_clock::now();
    int bound = static_cast<int>((o.delay + o.replyTimeout + 1.0) * 1000);
    EXPECT_TRUE(AllOf({0}, kGood, bound)) << "not good within " << bound << " ms: " << Status(0);
    auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - back);
    RecordProperty("recovery_ms", static_cast<int>(took.count()));
}

INSTANTIATE_TEST_SUITE_P(ChannelSettings, LivePollOutage,
                         ::testing::Values(Outage{0.5, 1.0, 1}, Outage{1.0, 0.5, 0}, Outage{0.3, 2.0, 2}),
                         [](const ::testing::TestParamInfo<Outage> &param) {
                             return "case" + std::to_string(param.index);
                         });

// The port's thread reads what the pollers write: asked over and over while the records are polled,
// every answer holds whole records (and, under ThreadSanitizer, the hand-over shows no race).
TEST_F(LivePoll, ValuesAskedWhileTheRecordsArePolledHoldWholeRecords)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_TRUE(AllOf({kDb1, kM10}, kGood, 5000));
    for (int i = 0; i < 200; ++i) {
        spoll::PortAnswer a = spoll::AskRequestPort("values GOOD");
        ASSERT_EQ(a.outcome, spoll::PortAnswer::Outcome::Answered);
        ASSERT_NE(a.text.find("1\tDB1,B0\t8\tgood\t"), std::string::npos) << a.text;
        ASSERT_NE(a.text.find("\t01 02 03 04 05 06 07 08\n"), std::string::npos) << a.text;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
