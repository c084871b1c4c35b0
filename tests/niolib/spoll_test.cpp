// The configurator's link against the real stand-in poll engine, in its own process.
#include "driver/poll_engine.h"
#include "nio_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/process.h"

#include <csignal>
#include <sys/stat.h>

using namespace niotest;

namespace
{

class Spoll : public NioTest
{
protected:
    void SetUp() override
    {
        NioTest::SetUp();
        UseRealSleeps();
        TestImage layout;
        layout.channels.push_back({{TestDevice{"PLC1", 2}}});
        layout.channels.push_back({{TestDevice{"PLC2", 1}}});
        config_ = WriteConfigFile(BuildImage(layout).bytes);
        RegisterSpoll();
    }
    std::vector<std::pair<uint16_t, std::string>> Drain()
    {
        std::vector<std::pair<uint16_t, std::string>> out;
        const char *text = nullptr;
        uint16_t code = 0;
        while (nio_get_message(&text, &code, 0))
            out.emplace_back(code, text);
        return out;
    }
    std::string config_;
};

bool Exists(const std::string &path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

TEST_F(Spoll, TheConfiguratorLaunchesTheDriverAndFollowsItThroughReloads)
{
    // The first access creates the block and launches KVZSPOLL through "DriverExe".
    uint8_t *header = nio_map_hdr();
    ASSERT_NE(header, nullptr) << (ui_.Texts().empty() ? "" : ui_.Texts().front());
    uint8_t *cb = MapToDriver(0);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbCurrentMap), 1u);
    EXPECT_EQ(nio::LoadField16(cb, nio::kCbRunState), 1);
    EXPECT_EQ(nio_chan_count(), 2);
    EXPECT_EQ(nio_driver_alive(), 0);
    EXPECT_TRUE(WaitFor([] { return nio_driver_alive() == 0; }));

    // Counters count real requests: these devices have no address, so none is sent, and their
    // records say they are not polled (the live tests poll real controllers).
    uint8_t *channel = nio_map_chan(1);
    ASSERT_NE(channel, nullptr);
    EXPECT_TRUE(
        WaitFor([] { return (nio::ReadU16(nio_map_dit(0), nio::kBlkStatus) & nio::kStatusMask) == 4296; }));
    EXPECT_EQ(nio::ReadU16(channel, nio::kChanTxCount), 0);

    // Each reload builds the next image: 2, 3, then 1 again.
    for (uint32_t expected : {2u, 3u, 1u}) {
        ASSERT_EQ(ReloadConfiguration(config_.c_str(), "KVZ"), 1);
        EXPECT_EQ(nio::LoadField16(cb, nio::kCbRunState), 1);
        ASSERT_NE(nio_map_hdr(), nullptr);
        EXPECT_EQ(nio::LoadField32(cb, nio::kCbCurrentMap), expected);
        EXPECT_EQ(nio::LoadField32(cb, nio::kCbLoadedMap), expected);
        int16_t ch = -1;
        EXPECT_EQ(nio_find_device("plc2", &ch), 0);
        EXPECT_EQ(ch, 1);
    }
    EXPECT_TRUE(ui_.Texts().empty()) << ui_.Texts().front();
    // Only the image in use is left in /dev/shm.
    EXPECT_TRUE(Exists(ShmPath("Global\\KVZ1")));
    EXPECT_FALSE(Exists(ShmPath("Global\\KVZ2")));
    EXPECT_FALSE(Exists(ShmPath("Global\\KVZ3")));

    auto messages = Drain();
    ASSERT_GE(messages.size(), 7u);
    EXPECT_EQ(messages[0], (std::pair<uint16_t, std::string>{23, "KVZSPOLL started"}));
    EXPECT_EQ(messages[1], (std::pair<uint16_t, std::string>{70, "KVZSPOLL polling stopped"}));
    EXPECT_EQ(messages[2], (std::pair<uint16_t, std::string>{23, "KVZSPOLL reloaded map 2"}));

    // SIGTERM ends it cleanly: stopped, its image gone, the block left for the clients.
    pid_t pid = static_cast<pid_t>(nio::LoadField32(cb, spoll::kCbDriverPid));
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(WaitFor([pid] { return !kvz::ProcessExists(pid); }));
    EXPECT_EQ(nio::LoadField16(cb, nio::kCbRunState), 2);
    EXPECT_FALSE(Exists(ShmPath("Global\\KVZ1")));
    EXPECT_TRUE(Exists(ShmPath("Global\\KVZ_TO_IOC")));
    EXPECT_EQ(nio_driver_alive(), 0);
    EXPECT_EQ(nio_driver_alive(), 100);
}

TEST_F(Spoll, ANewDriverOverAStaleBlockTakesTheNextNumberSoClientsMoveOn)
{
    ASSERT_NE(nio_map_hdr(), nullptr);
    uint8_t *cb = MapToDriver(0);
    pid_t first = static_cast<pid_t>(nio::LoadField32(cb, spoll::kCbDriverPid));
    ::kill(first, SIGKILL); // a crash: nothing cleaned up
    ASSERT_TRUE(WaitFor([first] { return !kvz::ProcessExists(first); }));
    EXPECT_TRUE(Exists(ShmPath("Global\\KVZ1")));

    // Another configurator attaches: the heartbeat stands, the driver is launched again.
    nio::ResetForTests();
    ASSERT_NE(nio_map_hdr(), nullptr);
    cb = MapToDriver(0);
    EXPECT_TRUE(Logged(23, "MapToDriver() Re-Launching"));
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbCurrentMap), 2u);
    EXPECT_FALSE(Exists(ShmPath("Global\\KVZ1"))) << "the crashed driver's image is removed";
    EXPECT_NE(nio::LoadField32(cb, spoll::kCbDriverPid), static_cast<uint32_t>(first));
}

TEST_F(Spoll, StopAndStartAreAnswered)
{
    ASSERT_NE(nio_map_hdr(), nullptr);
    EXPECT_EQ(nio_StartStop(0), 1);
    EXPECT_EQ(nio::LoadField16(MapToDriver(0), nio::kCbRunState), 2);
    EXPECT_EQ(nio_StartStop(1), 1);
    EXPECT_TRUE(ui_.Texts().empty());
}

TEST_F(Spoll, ASecondEngineLeavesTheBlockToTheOneThatRuns)
{
    ASSERT_NE(nio_map_hdr(), nullptr);
    uint8_t *cb = MapToDriver(0);
    uint32_t first = nio::LoadField32(cb, spoll::kCbDriverPid);
    kvz::SpawnResult second = kvz::SpawnProcess(KVZSPOLL_PATH, {});
    ASSERT_GT(second.pid, 0);
    EXPECT_EQ(kvz::WaitProcess(second.pid), 0);
    EXPECT_EQ(nio::LoadField32(cb, spoll::kCbDriverPid), first);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbCurrentMap), 1u);
}

TEST_F(Spoll, ASecondConfiguratorAttachingToARunningDriverOnlyCountsItself)
{
    ASSERT_NE(nio_map_hdr(), nullptr);
    uint32_t pid = nio::LoadField32(MapToDriver(0), spoll::kCbDriverPid);
    uint32_t attaches = nio::LoadField32(MapToDriver(0), nio::kCbAttachCount); // the driver's own
    nio::ResetForTests(); // as another process attaching afresh
    logs_.clear();
    ASSERT_NE(nio_map_hdr(), nullptr);
    uint8_t *cb = MapToDriver(0);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbAttachCount), attaches + 1);
    EXPECT_FALSE(Logged(23, "MapToDriver() Re-Launching"));
    EXPECT_EQ(nio::LoadField32(cb, spoll::kCbDriverPid), pid);
}
