#include "driver/request_port.h"

#include "platform/access_policy.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace spoll
{
namespace
{

constexpr size_t kMostRequest = 256;
constexpr int kClientWaitMs = 2000;

bool Address(sockaddr_un &a)
{
    std::string path = RequestPortPath();
    if (path.size() >= sizeof a.sun_path)
        return false;
    a = {};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads until a line feed, the limit, the end or the timeout.
std::string ReadUntil(int fd, size_t most, int timeoutMs, bool line)
{
    std::string got;
    char chunk[512];
    while (got.size() < most) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            break;
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        got.append(chunk, static_cast<size_t>(n));
        if (line && got.find('\n') != std::string::npos)
            break;
    }
    return got;
}

void WriteAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

} // namespace

std::string RequestPortPath()
{
    const char *ns = std::getenv("KVZ_SHM_NAMESPACE");
    return std::string("/tmp/kvz-") + (ns && *ns ? ns : "default") + "-KVZSPOLL.sock";
}

std::string AskRequestPort(const std::string &request)
{
    sockaddr_un a;
    if (!Address(a))
        return {};
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
        WriteAll(fd, request + "\n");
        answer = ReadUntil(fd, 1 << 20, kClientWaitMs, false);
    }
    close(fd);
    return answer;
}

RequestPort::~RequestPort()
{
    Close();
}

bool RequestPort::Open(Handler handler)
{
    sockaddr_un a;
    if (!Address(a))
        return false;
    handler_ = std::move(handler);
    // A socket file left by an engine that died is in the way; one that answers is not ours to take.
    if (!AskRequestPort("ping").empty())
        return false;
    unlink(a.sun_path);
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0 || bind(listen_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        listen(listen_, 8) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
        Close();
        return false;
    }
    // The clients the shared memory admits: every account, or the installation's access group.
    kvz::AccessPolicy policy = kvz::InstalledAccessPolicy();
    if (!kvz::ApplyAccessPolicy(std::string(a.sun_path), policy) && policy.restricted) {
        Close();
        return false;
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void RequestPort::Close()
{
    if (thread_.joinable()) {
        char one = 1;
        if (write(wake_[1], &one, 1) < 0) {
        }
        thread_.join();
    }
    if (listen_ >= 0) {
        close(listen_);
        listen_ = -1;
        unlink(RequestPortPath().c_str());
    }
    for (int &fd : wake_)
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
}

void RequestPort::Serve()
{
    for (;;) {
        pollfd p[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (p[1].revents)
            return;
        if (!(p[0].revents & POLLIN))
            continue;
        int client = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::string request = ReadUntil(client, kMostRequest, kClientWaitMs, true);
        size_t end = request.find_first_of("\r\n");
        if (end != std::string::npos)
            request.resize(end);
        WriteAll(client, request == "ping" ? std::string("0\n") : handler_(request));
        close(client);
    }
}

} // namespace spoll
