// Shared memory at its limits: a full /dev/shm, and a global object this account may not open.
#include "nio_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/niolib.h"
#include "platform/process.h"

#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace niotest;

namespace
{

// Runs this test program's `filter` again inside a private mount namespace whose /dev/shm holds
// only `size`; its exit status, or -1 when that cannot be arranged here.
int RunWithSmallShm(const std::string &filter, const std::string &size)
{
    if (::geteuid() != 0 || ::access("/usr/bin/unshare", X_OK) != 0)
        return -1;
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string script =
        "mount -t tmpfs -o size=" + size + " tmpfs /dev/shm || exit 99; exec \"$0\" --gtest_filter=" + filter;
    ::setenv("KVZ_SMALL_SHM", "1", 1);
    kvz::SpawnResult r =
        kvz::SpawnProcess("/usr/bin/unshare", {"-m", "--propagation", "private", "sh", "-c", script, self});
    ::unsetenv("KVZ_SMALL_SHM");
    if (r.pid <= 0)
        return -1;
    std::optional<int> status = kvz::WaitProcess(r.pid);
    return status ? (*status == 99 ? -1 : *status) : 1;
}

bool InSmallShm()
{
    return std::getenv("KVZ_SMALL_SHM") != nullptr;
}

} // namespace

TEST_F(NioTest, InSmallShm_AnImageThatDoesNotFitIsReportedNotMapped)
{
    if (!InSmallShm())
        GTEST_SKIP() << "runs inside FullShm.AnImageThatDoesNotFitIsReportedNotMapped";
    TestImage layout = SimpleImage();
    layout.tail = 256 * 1024;
    WriteConfigFile(BuildImage(layout).bytes);
    ASSERT_NE(MapToDriver(0), nullptr) << "the block itself fits";
    EXPECT_EQ(MapToDIT("KVZ", 0), 0);
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"MapToDriver() Driver file is not loaded"});
    struct stat st {
    };
    EXPECT_NE(::stat(ShmPath("Global\\KVZ0").c_str(), &st), 0) << "nothing half-made is left";
}

TEST_F(NioTest, InSmallShm_ABlockThatDoesNotFitIsReportedNotMapped)
{
    if (!InSmallShm())
        GTEST_SKIP() << "runs inside FullShm.ABlockThatDoesNotFitIsReportedNotMapped";
    EXPECT_EQ(MapToDriver(0), nullptr);
    EXPECT_EQ(nio_map_hdr(), nullptr);
    EXPECT_TRUE(Logged(70, "MapToDIT() failed to open driver pointer"));
}

TEST(FullShm, AnImageThatDoesNotFitIsReportedNotMapped)
{
    int status = RunWithSmallShm("NioTest.InSmallShm_AnImageThatDoesNotFitIsReportedNotMapped", "64k");
    if (status < 0)
        GTEST_SKIP() << "needs root and unshare to mount a small /dev/shm";
    EXPECT_EQ(status, 0);
}

TEST(FullShm, ABlockThatDoesNotFitIsReportedNotMapped)
{
    int status = RunWithSmallShm("NioTest.InSmallShm_ABlockThatDoesNotFitIsReportedNotMapped", "4k");
    if (status < 0)
        GTEST_SKIP() << "needs root and unshare to mount a small /dev/shm";
    EXPECT_EQ(status, 0);
}

TEST_F(NioTest, AGlobalBlockThisAccountMayNotOpenFallsBackToTheLocalName)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as a second account";
    // Another account's global block, closed to everyone else.
    kvz::ShmResult foreign =
        kvz::CreateShm("Global\\KVZ_TO_IOC", nio::kControlBlockSize, kvz::ShmExisting::Replace);
    ASSERT_TRUE(foreign.handle.valid());
    ASSERT_EQ(::fchmod(foreign.handle.fd(), 0600), 0);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(10);
        uint8_t *cb = MapToDriver(0);
        if (!cb)
            ::_exit(11);
        if (nio::LoadField16(cb, nio::kCbGlobalFlag) != 0 ||
            nio::LoadField32(cb, nio::kCbWatchdogMs) != 30000)
            ::_exit(12);
        ::_exit(::access(ShmPath("KVZ_TO_IOC").c_str(), F_OK) == 0 ? 0 : 13);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
