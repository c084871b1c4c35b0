// The engine's request port: in a folder of the engine's own (or it does not start), answered only
// by the engine's account, and serving every client side by side with a deadline per request.
#include "driver/request_port.h"
#include "engine_fixture.h"
#include "niolib/nio_support.h"
#include "platform/access_policy.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"
#include "platform/unique_fd.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace drivertest;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace
{

constexpr uid_t kOtherUid = 61002;

PlantCsv Plant()
{
    return {{"1,Yes,0.5,1.0,1,TCP/IP,lo"},
            {"PLC1,1,,E127.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED"},
            {"1,PLC1,Byte,1.0,Disabled,Disabled,0.0,M0,2"}};
}

sockaddr_un PortAddress(const std::string &path)
{
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
    return a;
}

kvz::UniqueFd Connect(const std::string &path)
{
    kvz::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un a = PortAddress(path);
    if (::connect(fd.get(), reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
        return kvz::UniqueFd();
    return fd;
}

// Everything the port sends until it closes (or `ms` pass); "<open>" when it still holds on.
std::string Received(int fd, int ms)
{
    std::string got;
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0)
            return got + "<open>";
        char chunk[512];
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return got;
        got.append(chunk, static_cast<size_t>(n));
    }
}

void Send(int fd, const std::string &text)
{
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

class RequestPortTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ::unsetenv("KVZ_RUNTIME_DIR");
        ::unsetenv("NOTIFY_SOCKET");
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        ::unsetenv("KVZ_RUNTIME_DIR");
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("NOTIFY_SOCKET");
    }
    bool StartWithPort()
    {
        return StartEngine(Plant()) &&
               WaitUntil(
                   [] {
                       return spoll::AskRequestPort("ping").outcome == spoll::PortAnswer::Outcome::Answered;
                   },
                   5000);
    }
    // Runs the engine where it cannot own its port: its exit status (-1 when it keeps running) and
    // whether it told the service manager it was ready.
    std::pair<int, bool> StartRefused()
    {
        std::string manager = dir_ / "notify";
        kvz::UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_un a = PortAddress(manager);
        EXPECT_EQ(::bind(socket.get(), reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
        ::setenv("NOTIFY_SOCKET", manager.c_str(), 1);
        config_ = WriteConfig(Plant(), "PLANT");
        RegisterStartupFile(config_);
        ::setenv("KVZSPOLL_TICK_MS", "20", 1);
        EXPECT_TRUE(engine_.Start({KVZSPOLL_PATH}, "", 0));
        int status = engine_.Wait(10000);
        ::unsetenv("NOTIFY_SOCKET");
        pollfd p{socket.get(), POLLIN, 0};
        bool ready = false;
        while (::poll(&p, 1, 0) == 1) {
            char buf[64] = {};
            ready =
                ready || (::recv(socket.get(), buf, sizeof buf - 1, 0) > 0 && std::string(buf) == "READY=1");
        }
        ::unlink(manager.c_str());
        return {status, ready};
    }
    bool Root() const { return ::geteuid() == 0; }
};

TEST_F(RequestPortTest, ThirtyIdleClientsAndATricklingOneDoNotDelayAGoodRequest)
{
    ASSERT_TRUE(StartWithPort());
    const std::string path = spoll::RequestPortPath();
    std::vector<kvz::UniqueFd> idle;
    for (int i = 0; i < 30; ++i) {
        idle.push_back(Connect(path));
        ASSERT_GE(idle.back().get(), 0);
    }
    std::atomic<bool> done{false};
    std::thread trickler([&] {
        kvz::UniqueFd fd = Connect(path);
        while (!done) {
            if (::send(fd.get(), "v", 1, MSG_NOSIGNAL) != 1)
                return;
            std::this_thread::sleep_for(100ms);
        }
    });
    std::this_thread::sleep_for(300ms); // all of them are held by now
    auto start = Clock::now();
    spoll::PortAnswer answer = spoll::AskRequestPort("values PLC1");
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    done = true;
    trickler.join();
    ASSERT_EQ(answer.outcome, spoll::PortAnswer::Outcome::Answered);
    EXPECT_EQ(answer.text.rfind("0\n1\tM0\t2\t", 0), 0u) << answer.text;
    EXPECT_LT(took.count(), 50) << "the good request waited behind the others";
}

TEST_F(RequestPortTest, BeyondThirtyTwoClientsTheOldestIdleOneIsDropped)
{
    ASSERT_TRUE(StartWithPort());
    const std::string path = spoll::RequestPortPath();
    std::vector<kvz::UniqueFd> idle;
    for (size_t i = 0; i < spoll::kMostClients + 8; ++i) {
        idle.push_back(Connect(path));
        std::this_thread::sleep_for(2ms); // one after the other: the first is the oldest
    }
    spoll::PortAnswer answer = spoll::AskRequestPort("values PLC1");
    ASSERT_EQ(answer.outcome, spoll::PortAnswer::Outcome::Answered);
    EXPECT_EQ(answer.text.rfind("0\n", 0), 0u) << answer.text;
    // 40 idle clients and this request: the nine oldest made room.
    for (size_t i = 0; i < idle.size(); ++i)
        EXPECT_EQ(Received(idle[i].get(), i < 9 ? 1000 : 20), i < 9 ? "" : "<open>") << "client " << i;
}

TEST_F(RequestPortTest, EveryRequestLineComesWholeWithinTwoSecondsOrIsAnsweredAsSuch)
{
    ASSERT_TRUE(StartWithPort());
    const std::string path = spoll::RequestPortPath();
    // A byte every half second keeps the client busy but never ends the line.
    kvz::UniqueFd slow = Connect(path);
    auto start = Clock::now();
    std::atomic<bool> done{false};
    std::thread trickler([&] {
        for (char c : std::string("values PLC1")) {
            if (done || ::send(slow.get(), &c, 1, MSG_NOSIGNAL) != 1)
                return;
            std::this_thread::sleep_for(500ms);
        }
    });
    std::string got = Received(slow.get(), 5000);
    auto took = Clock::now() - start;
    done = true;
    trickler.join();
    EXPECT_EQ(got, "1\nthe request did not come whole within 2 s\n");
    EXPECT_GE(took, 1900ms);
    EXPECT_LT(took, 3500ms);

    struct Case {
        std::string sent;
        bool endWrites; // the client closes its side after sending
        std::string answer;
    } cases[] = {
        {std::string(300, 'x'), false, "1\nthe request is longer than 256 bytes\n"},
        {"values PLC1", true, ""}, // the end of the client's writes ends the line
        {"\n", false, "1\nunknown request\n"},
        {"ping\r\n", false, "0\n"},
    };
    for (const Case &c : cases) {
        kvz::UniqueFd fd = Connect(path);
        Send(fd.get(), c.sent);
        if (c.endWrites)
            ::shutdown(fd.get(), SHUT_WR);
        std::string answer = Received(fd.get(), 3000);
        if (c.answer.empty())
            EXPECT_EQ(answer.rfind("0\n1\tM0\t", 0), 0u) << answer;
        else
            EXPECT_EQ(answer, c.answer) << c.sent.substr(0, 20);
    }
}

TEST_F(RequestPortTest, OutsideAnInstallationThePortIsInAFolderOfTheAccountsOwn)
{
    const std::string ns = shmNamespace_;
    const std::string xdg = dir_ / "xdg";
    std::filesystem::create_directory(xdg);
    ::chmod(xdg.c_str(), 0700);
    const std::string tmp = "/tmp/kvz-" + std::to_string(::geteuid());
    for (const std::string &folder : {xdg, tmp}) {
        if (folder == xdg)
            ::setenv("XDG_RUNTIME_DIR", xdg.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(spoll::RequestPortPath(), folder + "/KVZSPOLL-" + ns + ".sock");
        std::string out;
        EXPECT_EQ(Kvzcfg("driver port", &out), 0);
        EXPECT_EQ(out, spoll::RequestPortPath() + "\n") << "kvzcfg computes it the same way";
        ASSERT_TRUE(StartWithPort()) << folder;
        struct stat st {
        };
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
        EXPECT_EQ(st.st_uid, ::geteuid()) << folder;
        ASSERT_EQ(::stat(spoll::RequestPortPath().c_str(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));
        engine_.Stop();
        nio::ResetForTests();
    }
}

TEST_F(RequestPortTest, TheEngineDoesNotStartWithoutAPortFolderOfItsOwn)
{
    if (!Root())
        GTEST_SKIP() << "needs root to make another account's folder";
    ::chmod(dir_.path().c_str(), 0755);
    const std::string own = dir_ / "own";
    std::filesystem::create_directory(own);
    struct Case {
        const char *what;
        std::function<std::string()> make; // the folder to name
        bool installed;
    } cases[] = {
        {"another account's folder",
         [&] {
             std::string f = dir_ / "other";
             std::filesystem::create_directory(f);
             EXPECT_EQ(::chown(f.c_str(), kOtherUid, kOtherUid), 0);
             EXPECT_EQ(::chmod(f.c_str(), 0700), 0);
             return f;
         },
         false},
        {"a link to a folder of its own",
         [&] {
             std::string f = dir_ / "link";
             std::filesystem::create_directory_symlink(own, f);
             return f;
         },
         false},
        {"a file",
         [&] {
             std::string f = dir_ / "file";
             doctest::WriteText(f, "");
             return f;
         },
         false},
        {"an installation's folder that the group may write",
         [&] {
             std::string f = dir_ / "groupwritable";
             std::filesystem::create_directory(f);
             EXPECT_EQ(::chmod(f.c_str(), 0770), 0);
             return f;
         },
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = c.make();
        ::setenv("KVZ_RUNTIME_DIR", folder.c_str(), 1);
        ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, kvz::ConfigKeyPath(), kvz::kAccessGroupValue,
                                        c.installed ? "root" : ""));
        auto [status, ready] = StartRefused();
        EXPECT_EQ(status, 3);
        EXPECT_FALSE(ready) << "READY=1 without a request port";
        EXPECT_NE(::access((folder + "/KVZSPOLL-" + shmNamespace_ + ".sock").c_str(), F_OK), 0);
        engine_.Stop();
        nio::ResetForTests();
    }
}

TEST_F(RequestPortTest, TheClientRefusesAPortAnsweredByAnotherAccount)
{
    if (!Root())
        GTEST_SKIP() << "needs root to act as another account";
    // A folder any account may create in, as /tmp is.
    ::chmod(dir_.path().c_str(), 0755);
    const std::string open = dir_ / "open";
    std::filesystem::create_directory(open);
    ::chmod(open.c_str(), 01777);
    ::setenv("KVZ_RUNTIME_DIR", open.c_str(), 1);
    const std::string path = spoll::RequestPortPath();

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t impostor = ::fork();
    if (impostor == 0) {
        if (::setgid(kOtherUid) != 0 || ::setuid(kOtherUid) != 0)
            ::_exit(100);
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a = PortAddress(path);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0)
            ::_exit(101);
        ::chmod(path.c_str(), 0666);
        if (::write(ready[1], "1", 1) != 1)
            ::_exit(102);
        for (;;) {
            int client = ::accept(fd, nullptr, nullptr);
            if (client < 0)
                ::_exit(0);
            const char fake[] = "0\nfake values\n";
            if (::send(client, fake, sizeof fake - 1, MSG_NOSIGNAL) < 0) {
            }
            ::close(client);
        }
    }
    ::close(ready[1]);
    char one = 0;
    ASSERT_EQ(::read(ready[0], &one, 1), 1);
    ::close(ready[0]);

    spoll::PortAnswer answer = spoll::AskRequestPort("values PLC1");
    EXPECT_EQ(answer.outcome, spoll::PortAnswer::Outcome::Refused);
    EXPECT_NE(answer.text.find(path), std::string::npos) << answer.text;
    EXPECT_NE(answer.text.find("uid 61002"), std::string::npos) << answer.text;

    std::string command = std::string("'") + KVZCFG_PATH + "' driver values PLC1 2>&1";
    FILE *p = ::popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[1024] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    int status = ::pclose(p);
    std::string out(buf, n);
    EXPECT_EQ(WEXITSTATUS(status), 1) << out;
    EXPECT_NE(out.find(path), std::string::npos) << out;
    EXPECT_NE(out.find("uid 61002"), std::string::npos) << out;
    EXPECT_EQ(out.find("fake"), std::string::npos) << out;

    ::kill(impostor, SIGKILL);
    ::waitpid(impostor, nullptr, 0);
}

} // namespace
