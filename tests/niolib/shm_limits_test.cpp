// Shared memory at its limits: a full /dev/shm, and a global object this account may not open.
#include "nio_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/niolib.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace niotest;

namespace
{

// Makes this process's /dev/shm a tmpfs of `size` that no other process sees: a private mount
// namespace, inside a user namespace of its own where the account may not make one directly. False
// when this system allows neither.
bool MountSmallShm(const std::string &size)
{
    if (::unshare(CLONE_NEWNS) != 0) {
        uid_t uid = ::geteuid();
        gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        // Map this account onto itself, so that the objects it creates keep their owner.
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << uid << ' ' << uid << " 1";
        std::ofstream("/proc/self/gid_map") << gid << ' ' << gid << " 1";
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", "/dev/shm", "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

constexpr int kNoSmallShm = 99;

// Runs `body` in a child process whose /dev/shm holds only `size`. The child reports its own
// failures; its exit status carries them back. Skips only where the system cannot do this at all.
void RunWithSmallShm(const std::string &size, const std::function<void()> &body)
{
    std::fflush(stdout);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = kNoSmallShm;
        if (MountSmallShm(size)) {
            body();
            status = ::testing::Test::HasFailure() ? 1 : 0;
        }
        std::fflush(stdout);
        ::_exit(status);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoSmallShm)
        GTEST_SKIP() << "neither root nor a user namespace can mount a small /dev/shm here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the failures the child printed above";
}

} // namespace

TEST_F(NioTest, InAFullShm_AnImageThatDoesNotFitIsReportedNotMapped)
{
    RunWithSmallShm("64k", [&] {
        TestImage layout = SimpleImage();
        layout.tail = 256 * 1024;
        WriteConfigFile(BuildImage(layout).bytes);
        ASSERT_NE(MapToDriver(0), nullptr) << "the block itself fits";
        EXPECT_EQ(MapToDIT("KVZ", 0), 0);
        EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"MapToDriver() Driver file is not loaded"});
        struct stat st {
        };
        EXPECT_NE(::stat(ShmPath("Global\\KVZ0").c_str(), &st), 0) << "nothing half-made is left";
    });
}

TEST_F(NioTest, InAFullShm_ABlockThatDoesNotFitIsReportedNotMapped)
{
    RunWithSmallShm("4k", [&] {
        EXPECT_EQ(MapToDriver(0), nullptr);
        EXPECT_EQ(nio_map_hdr(), nullptr);
        EXPECT_TRUE(Logged(70, "MapToDIT() failed to open driver pointer"));
    });
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
