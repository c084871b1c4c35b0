#include "driver/request_port.h"

#include "platform/access_policy.h"
#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace spoll
{
namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kClientWaitMs = 2000;
// Time a client has to take its answer before it is dropped.
constexpr auto kAnswerDeadline = std::chrono::milliseconds(2000);
constexpr mode_t kPrivateSocketMode = 0600;
constexpr int kListenBacklog = 64;

bool Address(const std::string &path, sockaddr_un &a)
{
    if (path.size() >= sizeof a.sun_path)
        return false;
    a = {};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads until the end or the timeout.
std::string ReadAll(int fd, size_t most, int timeoutMs)
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

// The account the process at the other end runs as.
std::optional<uid_t> PeerAccount(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return std::nullopt;
    return peer.uid;
}

// One client of the port: its request as it comes, then its answer as it goes.
struct Client {
    kvz::UniqueFd fd;
    std::string in;
    std::string out;
    size_t sent = 0;
    bool answering = false;
    Clock::time_point deadline; // the whole line by then; the whole answer taken by then
    Clock::time_point heard;    // the last byte that came
};

class Clients
{
public:
    explicit Clients(const RequestPort::Handler &handler) : handler_(handler) {}

    void Accept(int listen)
    {
        for (;;) {
            int fd = accept4(listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0)
                return;
            if (clients_.size() >= kMostClients && !DropOldestIdle()) {
                close(fd); // every place is taken by a client being answered
                continue;
            }
            auto now = Clock::now();
            Client c;
            c.fd = kvz::UniqueFd(fd);
            c.deadline = now + kRequestDeadline;
            c.heard = now;
            clients_.push_back(std::move(c));
        }
    }

    // The poll set: the clients follow the two fixed entries.
    void Watch(std::vector<pollfd> &set) const
    {
        for (const Client &c : clients_)
            set.push_back({c.fd.get(), static_cast<short>(c.answering ? POLLOUT : POLLIN), 0});
    }

    void Serve(const pollfd *events)
    {
        for (size_t i = 0; i < clients_.size(); ++i) {
            Client &c = clients_[i];
            short got = events[i].revents;
            if (got == 0)
                continue;
            if (c.answering)
                Send(c);
            else if (got & (POLLIN | POLLHUP | POLLERR))
                Receive(c);
        }
        auto now = Clock::now();
        for (Client &c : clients_)
            if (c.fd.get() >= 0 && now >= c.deadline) {
                if (!c.answering)
                    Reply(c, "1\nthe request did not come whole within 2 s\n");
                else
                    c.fd.Close();
            }
        std::erase_if(clients_, [](const Client &c) { return c.fd.get() < 0; });
    }

    // Milliseconds until the next deadline, -1 when no client waits.
    int Timeout() const
    {
        if (clients_.empty())
            return -1;
        auto next = std::min_element(clients_.begin(), clients_.end(), [](const Client &a, const Client &b) {
                        return a.deadline < b.deadline;
                    })->deadline;
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(ms, 0, kClientWaitMs));
    }

private:
    bool DropOldestIdle()
    {
        auto oldest = clients_.end();
        for (auto it = clients_.begin(); it != clients_.end(); ++it)
            if (!it->answering && (oldest == clients_.end() || it->heard < oldest->heard))
                oldest = it;
        if (oldest == clients_.end())
            return false;
        clients_.erase(oldest);
        return true;
    }

    void Receive(Client &c)
    {
        char chunk[512];
        for (;;) {
            ssize_t n = recv(c.fd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                return;
            if (n <= 0) {
                // The client said all it will: what came is its request.
                if (c.in.empty())
                    c.fd.Close();
                else
                    Answer(c, c.in);
                return;
            }
            c.heard = Clock::now();
            c.in.append(chunk, static_cast<size_t>(n));
            size_t end = c.in.find_first_of("\r\n");
            if (end != std::string::npos && end <= kMostRequest)
                return Answer(c, c.in.substr(0, end));
            if (c.in.size() > kMostRequest)
                return Reply(c, "1\nthe request is longer than " + std::to_string(kMostRequest) + " bytes\n");
        }
    }

    void Answer(Client &c, const std::string &request)
    {
        Reply(c, request == "ping" ? std::string("0\n") : handler_(request));
    }

    void Reply(Client &c, std::string text)
    {
        c.out = std::move(text);
        c.sent = 0;
        c.answering = true;
        c.deadline = Clock::now() + kAnswerDeadline;
        Send(c);
    }

    void Send(Client &c)
    {
        while (c.sent < c.out.size()) {
            ssize_t n =
                send(c.fd.get(), c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                return;
            if (n <= 0)
                break;
            c.sent += static_cast<size_t>(n);
        }
        c.fd.Close();
    }

    const RequestPort::Handler &handler_;
    std::vector<Client> clients_;
};

} // namespace

PortAnswer AskRequestPort(const std::string &request)
{
    PortAnswer result;
    PortFolder folder = RequestPortFolder();
    std::string path = RequestPortPath();
    sockaddr_un a;
    if (!Address(path, a))
        return result;
    kvz::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0 || connect(fd.get(), reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
        return result;
    // Only the driver's own engine may answer: anyone else's would be taken for the driver's.
    ExpectedEngine expected = ExpectedEngineAccount(folder);
    std::optional<uid_t> peer = PeerAccount(fd.get());
    if (!expected.uid || !peer || *peer != *expected.uid) {
        result.outcome = PortAnswer::Outcome::Refused;
        if (!expected.uid)
            result.text = "refused the request port " + path + ": " + expected.problem;
        else
            result.text = "refused the request port " + path + ": it is answered by " +
                          (peer ? AccountText(*peer) : std::string("an unknown account")) +
                          ", not by the poll engine's account " + AccountText(*expected.uid);
        return result;
    }
    WriteAll(fd.get(), request + "\n");
    result.text = ReadAll(fd.get(), 1 << 20, kClientWaitMs);
    if (!result.text.empty())
        result.outcome = PortAnswer::Outcome::Answered;
    return result;
}

RequestPort::~RequestPort()
{
    Close();
}

bool RequestPort::Open(Handler handler, std::string &why)
{
    PortFolder folder = RequestPortFolder();
    path_ = RequestPortPath();
    sockaddr_un a;
    if (!Address(path_, a)) {
        why = "the path " + path_ + " is too long for a socket";
        return false;
    }
    why = ClaimPortFolder(folder);
    if (!why.empty())
        return false;
    handler_ = std::move(handler);
    // The folder is this account's alone: a socket file there is an engine's of this account. One
    // that answers serves this namespace already; one left by an engine that died is in the way.
    if (AskRequestPort("ping").outcome == PortAnswer::Outcome::Answered) {
        why = "another poll engine answers at " + path_;
        return false;
    }
    unlink(a.sun_path);
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_ < 0 || bind(listen_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        listen(listen_, kListenBacklog) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
        why = std::string("the socket ") + path_ + " cannot be made: " + std::strerror(errno);
        Close();
        return false;
    }
    // Installed: the group's members may connect (the folder admits no one else); otherwise this
    // account alone.
    kvz::AccessPolicy policy = kvz::InstalledAccessPolicy();
    bool given = folder.installed ? kvz::ApplyAccessPolicy(path_, policy)
                                  : chmod(path_.c_str(), kPrivateSocketMode) == 0;
    if (!given) {
        why = "the socket " + path_ + " cannot be given to its clients: " + std::strerror(errno);
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
        unlink(path_.c_str());
    }
    for (int &fd : wake_)
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
}

void RequestPort::Serve()
{
    Clients clients(handler_);
    std::vector<pollfd> set;
    for (;;) {
        set.assign({{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}});
        clients.Watch(set);
        if (poll(set.data(), set.size(), clients.Timeout()) < 0 && errno != EINTR)
            return;
        if (set[1].revents)
            return;
        clients.Serve(set.data() + 2);
        if (set[0].revents & POLLIN)
            clients.Accept(listen_);
    }
}

} // namespace spoll
