// The installed product's access group, with real accounts: the poll engine runs as an account of
// its own in the group, a member attaches as the configurator does, anyone else reaches nothing.
// Needs root to act as those accounts (setuid); the accounts need no entry in the user database.
#include "driver/poll_engine.h"
#include "driver/request_port.h"
#include "nio_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/niolib.h"
#include "platform/access_policy.h"
#include "platform/driver_identity.h"
#include "platform/process.h"
#include "platform/registry.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace niotest;

namespace
{

constexpr uid_t kEngineUid = 61000;
constexpr uid_t kMemberUid = 61001;
constexpr uid_t kOtherUid = 61002;

struct Account {
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};

// A group other than root's that the machine knows by name ("users" on Debian).
std::optional<std::pair<std::string, gid_t>> SomeGroup()
{
    if (const group *g = ::getgrnam("users"))
        return std::make_pair(std::string(g->gr_name), g->gr_gid);
    return std::nullopt;
}

// Runs `body` in a child as `account`; its result is the child's exit status (100+ for set-up).
int RunAs(const Account &account, const std::function<int()> &body)
{
    pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::setgroups(account.groups.size(), account.groups.data()) != 0 || ::setgid(account.gid) != 0 ||
            ::setuid(account.uid) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// shm_open's errno for an object by its POSIX path below /dev/shm, 0 when it opens.
int OpenError(const std::string &posix)
{
    int fd = ::shm_open(posix.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int ConnectError(const std::string &path)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    int rc = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    int err = rc == 0 ? 0 : errno;
    ::close(fd);
    return err;
}

class GroupAccess : public NioTest
{
protected:
    void SetUp() override
    {
        NioTest::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to act as the engine's, a member's and another account";
        auto found = SomeGroup();
        ASSERT_TRUE(found) << "no group \"users\" on this machine";
        groupName_ = found->first;
        gid_ = found->second;
        UseRealSleeps();

        // The folders the accounts pass through; the machine hive as the package makes it.
        for (const auto &dir : {registry_.root(), dir_.path()})
            ::chmod(dir.c_str(), 0755);
        machine_ = registry_.root() / "machine";
        ASSERT_EQ(::chown(machine_.c_str(), 0, gid_), 0);
        ASSERT_EQ(::chmod(machine_.c_str(), 02770), 0);
        const std::string key = kvz::ConfigKeyPath();
        ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, key, kvz::kAccessGroupValue, groupName_));
        TestImage layout;
        layout.channels.push_back({{TestDevice{"PLC1", 2}}});
        layout.channels.push_back({{TestDevice{"PLC2", 1}}});
        std::string config = WriteConfigFile(BuildImage(layout).bytes);
        ::chmod(config.c_str(), 0644);
        ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, key, "ConfigFile", config));
        ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, key, "DriverExe", KVZSPOLL_PATH));
        ::setenv("KVZSPOLL_TICK_MS", "20", 1);
        // The request port's folder as the service manager makes it for the engine's account.
        runtime_ = dir_.path() / "run";
        std::filesystem::create_directories(runtime_);
        ASSERT_EQ(::chown(runtime_.c_str(), kEngineUid, gid_), 0);
        ASSERT_EQ(::chmod(runtime_.c_str(), 0750), 0);
        ::setenv("KVZ_RUNTIME_DIR", runtime_.c_str(), 1);
    }

    void TearDown() override
    {
        // The engine is this test's child: reaped here, it is gone at once for the fixture's check.
        if (engine_ > 0) {
            ::kill(engine_, SIGTERM);
            kvz::WaitProcess(engine_);
        }
        ::unsetenv("KVZ_RUNTIME_DIR");
        NioTest::TearDown();
    }

    // Each account's own user hive, so that only the machine hive is shared; made before the
    // account is taken on.
    std::string UserHive(uid_t uid)
    {
        std::filesystem::path hive = registry_.root() / ("user" + std::to_string(uid));
        std::filesystem::create_directories(hive);
        EXPECT_EQ(::chown(hive.c_str(), uid, 0), 0);
        return hive.string();
    }

    pid_t StartEngine()
    {
        std::string hive = UserHive(kEngineUid);
        pid_t child = ::fork();
        if (child == 0) {
            ::setenv("KVZ_REGISTRY_USER", hive.c_str(), 1);
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid_) != 0 || ::setuid(kEngineUid) != 0)
                ::_exit(100);
            ::umask(022); // an ordinary umask: the objects must be the group's all the same
            ::execl(KVZSPOLL_PATH, KVZSPOLL_PATH, static_cast<char *>(nullptr));
            ::_exit(101);
        }
        engine_ = child;
        return child;
    }

    std::string groupName_;
    gid_t gid_ = 0;
    std::filesystem::path machine_;
    std::filesystem::path runtime_;
    pid_t engine_ = -1;
};

TEST_F(GroupAccess, OnlyTheGroupsMembersReachTheInstalledDriver)
{
    pid_t engine = StartEngine();
    const std::string block = ShmPath("Global\\KVZ_TO_IOC");
    const std::string image = ShmPath("Global\\KVZ1");
    ASSERT_TRUE(WaitFor([&] { return ::access(image.c_str(), F_OK) == 0; }, 10000))
        << "the engine made no image";
    for (const std::string &path : {block, image}) {
        struct stat st {
        };
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0660u) << path;
        EXPECT_EQ(st.st_gid, gid_) << path;
    }
    const std::string port = spoll::RequestPortPath();
    ASSERT_EQ(port.rfind(runtime_.string() + "/KVZSPOLL-", 0), 0u) << port;
    ASSERT_TRUE(WaitFor([&] { return ::access(port.c_str(), F_OK) == 0; }));

    // Another account opens neither the block nor the image nor the request port. Its own attach
    // makes a block of its own under the local name, which nobody else takes for the driver's.
    Account other{kOtherUid, kOtherUid, {}};
    std::string otherHive = UserHive(kOtherUid);
    EXPECT_EQ(RunAs(other, [&] { return OpenError(kvz::ShmPosixName("Global\\KVZ_TO_IOC")); }), EACCES);
    EXPECT_EQ(RunAs(other, [&] { return OpenError(kvz::ShmPosixName("Global\\KVZ1")); }), EACCES);
    EXPECT_EQ(RunAs(other, [&] { return ConnectError(port); }), EACCES);
    EXPECT_EQ(RunAs(other,
                    [&] {
                        ::setenv("KVZ_REGISTRY_USER", otherHive.c_str(), 1);
                        uint8_t *cb = MapToDriver(0);
                        if (!cb)
                            return 1;
                        // Not the engine's: no pid, no image.
                        return nio::LoadField32(cb, spoll::kCbDriverPid) == 0 && nio_map_hdr() == nullptr ? 0
                                                                                                          : 2;
                    }),
              0);
    ASSERT_EQ(::access(ShmPath("KVZ_TO_IOC").c_str(), F_OK), 0) << "the other account's block";

    // A member attaches as the configurator does, to the engine's block and image.
    Account member{kMemberUid, kMemberUid, {gid_}};
    std::string memberHive = UserHive(kMemberUid);
    EXPECT_EQ(RunAs(member,
                    [&] {
                        ::setenv("KVZ_REGISTRY_USER", memberHive.c_str(), 1);
                        uint8_t *cb = MapToDriver(0);
                        if (!cb || nio::LoadField32(cb, spoll::kCbDriverPid) != static_cast<uint32_t>(engine))
                            return 1;
                        if (!nio_map_hdr())
                            return 2;
                        if (nio_chan_count() != 2 || !nio_map_dit(0))
                            return 3;
                        if (ConnectError(port) != 0)
                            return 4;
                        // The engine's account answers: the member takes it for the driver's.
                        spoll::PortAnswer a = spoll::AskRequestPort("values PLC1");
                        return a.outcome == spoll::PortAnswer::Outcome::Answered &&
                                       a.text.rfind("0\n", 0) == 0
                                   ? 0
                                   : 5;
                    }),
              0);
}

} // namespace
