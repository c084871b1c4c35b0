// The readiness message of a Type=notify service: what NOTIFY_SOCKET may name, and the engine saying
// READY=1 once started and STOPPING=1 on its way out.
#include "driver/service_notify.h"
#include "engine_fixture.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace drivertest;

namespace
{

// A datagram socket standing in for the service manager's, bound to a path or an abstract name.
class ManagerSocket
{
public:
    explicit ManagerSocket(const std::string &name)
    {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, name.c_str(), name.size());
        socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        if (name[0] == '@')
            a.sun_path[0] = '\0';
        else
            path_ = name;
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr *>(&a), size) == 0;
    }
    ~ManagerSocket()
    {
        ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    bool bound() const { return bound_; }
    // The next datagram, or "" when none comes within `ms`.
    std::string Receive(int ms)
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) != 1)
            return "";
        char buf[256];
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
    }

private:
    int fd_ = -1;
    bool bound_ = false;
    std::string path_;
};

std::string Unique(const char *stem)
{
    return std::string(stem) + std::to_string(::getpid());
}

TEST(ServiceNotify, SendsToAPathOrAnAbstractNameAndNowhereElse)
{
    std::string path = "/tmp/" + Unique("kvz-notify-");
    std::string abstract = "@" + Unique("kvz-notify-");
    ManagerSocket byPath(path), byName(abstract);
    ASSERT_TRUE(byPath.bound());
    ASSERT_TRUE(byName.bound());

    ::unsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(spoll::NotifyServiceManager("READY=1")) << "no service manager";
    const struct {
        std::string socket;
        bool sent;
        ManagerSocket *receiver;
    } cases[] = {
        {path, true, &byPath},
        {abstract, true, &byName},
        {"relative/name", false, nullptr},
        {"/" + std::string(200, 'x'), false, nullptr}, // longer than a socket address holds
        {path + ".absent", false, nullptr},
    };
    for (const auto &c : cases) {
        ::setenv("NOTIFY_SOCKET", c.socket.c_str(), 1);
        EXPECT_EQ(spoll::NotifyServiceManager("READY=1"), c.sent) << c.socket;
        if (c.receiver) {
            EXPECT_EQ(c.receiver->Receive(1000), "READY=1") << c.socket;
        }
    }
    ::unsetenv("NOTIFY_SOCKET");
}

class ServiceEngine : public EngineTest
{
};

TEST_F(ServiceEngine, TheEngineSaysReadyOnceStartedAndStoppingOnItsWayOut)
{
    std::string path = "/tmp/" + Unique("kvz-notify-engine-");
    ManagerSocket manager(path);
    ASSERT_TRUE(manager.bound());
    ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
    bool started = StartEngine({{"1,Yes,0.5,1.0,1,TCP/IP,lo"},
                                {"PLC1,1,,E127.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED"},
                                {"1,PLC1,Byte,1.0,Disabled,Disabled,0.0,M0,2"}});
    ::unsetenv("NOTIFY_SOCKET");
    ASSERT_TRUE(started);
    EXPECT_EQ(manager.Receive(5000), "READY=1");
    engine_.Stop();
    EXPECT_EQ(manager.Receive(5000), "STOPPING=1");
}

} // namespace
