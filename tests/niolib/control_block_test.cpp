// The driver control block: creation, attaching to an existing one, the names it lives under.
#include "nio_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace niotest;

TEST_F(NioTest, FirstAttachCreatesAZeroedBlockWithItsDefaultsAndLaunchesTheDriverOnce)
{
    RegisterRecordingDriver();
    uint8_t *cb = MapToDriver(1);
    ASSERT_NE(cb, nullptr);
    EXPECT_EQ(nio::LoadField16(cb, 0), 1);
    EXPECT_EQ(nio::LoadField16(cb, nio::kCbCmdState), 1);
    EXPECT_EQ(nio::LoadField16(cb, nio::kCbGlobalFlag), 1);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbWatchdogMs), 30000u);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbMonitorOn), 1u);
    // Everything else zero.
    std::vector<uint8_t> copy(cb, cb + nio::kControlBlockSize);
    for (size_t off : {size_t(0), nio::kCbCmdState, nio::kCbGlobalFlag})
        copy[off] = copy[off + 1] = 0;
    for (size_t off : {nio::kCbWatchdogMs, nio::kCbMonitorOn})
        std::memset(&copy[off], 0, 4);
    EXPECT_EQ(std::count(copy.begin(), copy.end(), 0), static_cast<long>(nio::kControlBlockSize));

    EXPECT_TRUE(WaitFor([&] { return LaunchCount() == 1; }));
    EXPECT_EQ(sleptMs_, 1000u); // the wait after a launch
    EXPECT_TRUE(LoggedAt(23).empty()) << "a first launch is not logged";

    // The global name, open to every account.
    struct stat st {
    };
    ASSERT_EQ(::stat(ShmPath("Global\\KVZ_TO_IOC").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    EXPECT_EQ(static_cast<size_t>(st.st_size), nio::kControlBlockSize);
}

TEST_F(NioTest, TheDriverIsLaunchedInItsOwnFolder)
{
    std::string exe = RegisterRecordingDriver();
    ASSERT_NE(MapToDriver(1), nullptr);
    ASSERT_TRUE(WaitFor([&] { return LaunchCount() == 1; }));
    std::ifstream in(dir_ / "drv/launches.txt");
    std::string where;
    std::getline(in, where);
    EXPECT_EQ(std::filesystem::canonical(where), std::filesystem::canonical(dir_.path() / "drv"));
}

TEST_F(NioTest, WithoutLaunchFlagOrDriverExeNothingIsStarted)
{
    ASSERT_NE(MapToDriver(1), nullptr); // no "DriverExe": nothing to start
    EXPECT_EQ(sleptMs_, 0u);
    UnMapDriver();
    RegisterRecordingDriver();
    nio::ResetForTests();
    ASSERT_NE(MapToDriver(0), nullptr); // existing block, standing heartbeat, but no launch flag
    EXPECT_EQ(LaunchCount(), 0);
}

TEST_F(NioTest, AttachingToABlockWithAStandingHeartbeatRelaunchesTheDriver)
{
    RegisterRecordingDriver();
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    driver.Set32(nio::kCbHeartbeat, 41);
    uint8_t *cb = MapToDriver(1);
    ASSERT_NE(cb, nullptr);
    EXPECT_EQ(driver.Get32(nio::kCbAttachCount), 1u);
    EXPECT_TRUE(Logged(23, "MapToDriver() Re-Launching"));
    EXPECT_TRUE(WaitFor([&] { return LaunchCount() == 1; }));
    EXPECT_EQ(sleptMs_, 200u + 1000u);
    // An existing block is not reset.
    EXPECT_EQ(driver.Get32(nio::kCbHeartbeat), 41u);
}

TEST_F(NioTest, AttachingToABlockWithAMovingHeartbeatOnlyCountsTheAttach)
{
    RegisterRecordingDriver();
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    onSleep_ = [&](unsigned) { driver.Set32(nio::kCbHeartbeat, driver.Get32(nio::kCbHeartbeat) + 1); };
    ASSERT_NE(MapToDriver(1), nullptr);
    EXPECT_EQ(driver.Get32(nio::kCbAttachCount), 1u);
    EXPECT_FALSE(Logged(23, "MapToDriver() Re-Launching"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(LaunchCount(), 0);
}

TEST_F(NioTest, ABlockMadeUnderTheLocalNameIsFoundFirst)
{
    kvz::ShmResult local = kvz::CreateShm("KVZ_TO_IOC", nio::kControlBlockSize, kvz::ShmExisting::Replace);
    ASSERT_TRUE(local.handle.valid());
    kvz::ShmView view = kvz::MapShm(local.handle, 0, nullptr);
    nio::StoreField32(view.data(), nio::kCbHeartbeat, 7);
    uint8_t *cb = MapToDriver(0);
    ASSERT_NE(cb, nullptr);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbAttachCount), 1u);
    EXPECT_EQ(nio::LoadField32(view.data(), nio::kCbAttachCount), 1u);
    struct stat st {
    };
    EXPECT_NE(::stat(ShmPath("Global\\KVZ_TO_IOC").c_str(), &st), 0) << "no global block made";
}

TEST_F(NioTest, ALeftoverObjectTooSmallForABlockIsReplacedNotMapped)
{
    // A crashed creator (or a stranger) left a 100-byte object under the global name.
    kvz::ShmResult stale = kvz::CreateShm("Global\\KVZ_TO_IOC", 100, kvz::ShmExisting::Replace);
    ASSERT_TRUE(stale.handle.valid());
    uint8_t *cb = MapToDriver(0);
    ASSERT_NE(cb, nullptr);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbWatchdogMs), 30000u) << "treated as a new block";
    struct stat st {
    };
    ASSERT_EQ(::stat(ShmPath("Global\\KVZ_TO_IOC").c_str(), &st), 0);
    EXPECT_EQ(static_cast<size_t>(st.st_size), nio::kControlBlockSize);
}

TEST_F(NioTest, TheNamespaceKeepsObjectsApart)
{
    ASSERT_NE(MapToDriver(0), nullptr);
    EXPECT_EQ(kvz::ShmPosixName("Global\\KVZ_TO_IOC"), "/" + ns_ + ".Global.KVZ_TO_IOC");
    EXPECT_EQ(kvz::ShmPosixName("KVZ1"), "/" + ns_ + ".KVZ1");
    ::setenv("KVZ_SHM_NAMESPACE", "other/../x", 1);
    EXPECT_EQ(kvz::ShmPosixName("KVZ1"), "/other_.._x.KVZ1");
    ::unsetenv("KVZ_SHM_NAMESPACE");
    EXPECT_EQ(kvz::ShmPosixName("Global\\KVZ1"), "/Global.KVZ1");
    ::setenv("KVZ_SHM_NAMESPACE", ns_.c_str(), 1);
}

TEST_F(NioTest, UnMapDriverLetsTheNextCallAttachAgain)
{
    ASSERT_NE(MapToDriver(0), nullptr);
    UnMapDriver();
    uint8_t *cb = MapToDriver(0);
    ASSERT_NE(cb, nullptr);
    EXPECT_EQ(nio::LoadField32(cb, nio::kCbAttachCount), 1u);
}
