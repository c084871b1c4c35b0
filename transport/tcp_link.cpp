#include "tcp_link.h"

#include "byte_order.h"
#include "clock.h"
#include "tpkt_reassembler.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ferrolink
{
namespace
{
constexpr uint32_t kConnectPauseMs = 10;
constexpr int kSendWaitMs = 100;

void SetOption(int fd, int level, int name)
{
    int on = 1;
    setsockopt(fd, level, name, &on, sizeof on);
}

bool BreaksConnection(int error)
{
    return error == ENOTCONN || error == EPIPE || error == ECONNRESET || error == ECONNREFUSED ||
           error == ETIMEDOUT || error == EHOSTUNREACH || error == ENETUNREACH;
}
} // namespace

TcpLink::TcpLink(uint32_t address, uint16_t port) : address_(address), port_(port)
{
    frame_.reserve(kMaxTpkt);
    Connect();
}

TcpLink::~TcpLink()
{
    CloseSocket();
}

void TcpLink::Connect()
{
    CloseSocket();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        last_error_ = errno;
        return;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    bind(fd_, reinterpret_cast<sockaddr *>(&local), sizeof local);
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    SetOption(fd_, IPPROTO_TCP, TCP_NODELAY);
    SetOption(fd_, SOL_SOCKET, SO_KEEPALIVE);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(address_);
    remote.sin_port = htons(port_);
    if (connect(fd_, reinterpret_cast<sockaddr *>(&remote), sizeof remote) == 0) {
        connected_ = true;
        return;
    }
    if (errno == EINPROGRESS || errno == EAGAIN) {
        // Counts as started; a failure shows up on the first receive or send.
        connected_ = true;
        CurrentClock().SleepMs(kConnectPauseMs);
        return;
    }
    last_error_ = errno;
    connected_ = false;
}

void TcpLink::CloseSocket()
{
    if (fd_ >= 0) {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        fd_ = -1;
    }
    connected_ = false;
}

void TcpLink::Reconnect()
{
    Connect();
}

void TcpLink::Close()
{
    CloseSocket();
}

int TcpLink::SendUnit(std::span<const uint8_t> unit)
{
    if (fd_ < 0) {
        connected_ = false;
        return ENOTCONN;
    }
    size_t total = kTpktHeader + unit.size();
    if (total > kMaxTpkt) {
        return EMSGSIZE;
    }
    frame_.assign({kTpktVersion3, 0, static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total)});
    frame_.insert(frame_.end(), unit.begin(), unit.end());
    size_t sent = 0;
    while (sent < frame_.size()) {
        ssize_t n = send(fd_, frame_.data() + sent, frame_.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        int error = n < 0 ? errno : EIO;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            // A partly written TPKT would corrupt the stream: wait briefly for room.
            pollfd p{fd_, POLLOUT, 0};
            if (poll(&p, 1, kSendWaitMs) > 0) {
                continue;
            }
        }
        last_error_ = error;
        if (BreaksConnection(error) || sent > 0) {
            connected_ = false;
        }
        return error;
    }
    return 0;
}

long TcpLink::Receive(std::span<uint8_t> buffer)
{
    if (fd_ < 0) {
        return -1;
    }
    ssize_t n = recv(fd_, buffer.data(), buffer.size(), 0);
    if (n > 0) {
        return static_cast<long>(n);
    }
    if (n == 0) {
        // The peer closed the connection: nothing more will come on this socket.
        connected_ = false;
        last_error_ = ENOTCONN;
        return -1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return 0;
    }
    last_error_ = errno;
    connected_ = false;
    return -1;
}

int TcpLink::WritableCheck()
{
    if (fd_ < 0) {
        return kSocketError;
    }
    pollfd p{fd_, POLLOUT, 0};
    int n = poll(&p, 1, 0);
    if (n < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        return kSocketError;
    }
    return (p.revents & POLLOUT) != 0 ? kSocketWritable : kSocketNotWritable;
}

} // namespace ferrolink
