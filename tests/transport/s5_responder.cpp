#include "s5_responder.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ferrolink_test
{
namespace
{
constexpr size_t kMemory = 4096;
constexpr int kHeader = 16;

bool ReadExactly(int fd, uint8_t *out, size_t n, const std::atomic<bool> &stop)
{
    size_t got = 0;
    while (got < n && !stop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        ssize_t r = recv(fd, out + got, n - got, 0);
        if (r <= 0) {
            return false;
        }
        got += static_cast<size_t>(r);
    }
    return got == n;
}

bool WriteAll(int fd, const uint8_t *bytes, size_t n)
{
    return send(fd, bytes, n, MSG_NOSIGNAL) == static_cast<ssize_t>(n);
}

void Pause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
}
} // namespace

S5Responder::S5Responder() = default;

S5Responder::~S5Responder()
{
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listen_fd_ >= 0) {
        close(listen_fd_);
    }
}

bool S5Responder::Start(uint16_t port)
{
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (bind(listen_fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(listen_fd_, 4) != 0) {
        return false;
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

std::vector<uint8_t> S5Responder::LastRequest()
{
    std::lock_guard guard(lock_);
    return last_request_;
}

void S5Responder::Poke(uint8_t org, uint8_t block, size_t at, const std::vector<uint8_t> &bytes)
{
    std::lock_guard guard(lock_);
    auto &m = memory_[{org, block}];
    m.resize(kMemory);
    std::copy(bytes.begin(), bytes.end(), m.begin() + static_cast<std::ptrdiff_t>(at));
}

void S5Responder::Serve()
{
    while (!stop_) {
        pollfd p{listen_fd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Handle(fd);
        close(fd);
    }
}

void S5Responder::Handle(int fd)
{
    while (!stop_) {
        uint8_t header[4];
        if (!ReadExactly(fd, header, 4, stop_) || header[0] != 3) {
            return;
        }
        size_t length = (static_cast<size_t>(header[2]) << 8) | header[3];
        if (length < 7) {
            return;
        }
        std::vector<uint8_t> unit(length - 4);
        if (!ReadExactly(fd, unit.data(), unit.size(), stop_)) {
            return;
        }
        if (unit[1] == 0xE0) {
            // CC: our references swapped in, the TPDU size parameter first.
            std::vector<uint8_t> cc = {0x09, 0xD0, unit[4], unit[5], 0x44, 0x00, 0x00, 0xC0, 0x01, 0x0A};
            if (!SendTpkt(fd, cc)) {
                return;
            }
        } else if (unit[1] == 0xF0 && unit.size() >= 3 + kHeader) {
            if (!Answer(fd, std::vector<uint8_t>(unit.begin() + 3, unit.end()))) {
                return;
            }
        }
    }
}

bool S5Responder::Answer(int fd, const std::vector<uint8_t> &message)
{
    bool write = message[5] == 0x03;
    uint8_t org = message[8];
    uint8_t block = message[9];
    size_t at = ((static_cast<size_t>(message[10]) << 8) | message[11]) * 2;
    size_t words = (static_cast<size_t>(message[12]) << 8) | message[13];
    std::vector<uint8_t> answer = {0x53, 0x35, 0x10, 0x01, 0x03, static_cast<uint8_t>(write ? 0x04 : 0x06),
                                   0x0F, 0x03, 0x00, 0xFF, 0x07, 0x00,
                                   0x00, 0x00, 0x00, 0x00};
    {
        std::lock_guard guard(lock_);
        last_request_ = message;
        auto &m = memory_[{org, block}];
        m.resize(kMemory);
        if (at + words * 2 > kMemory) {
            answer[8] = 0x0A; // beyond the block
        } else if (write) {
            std::copy(message.begin() + kHeader, message.end(), m.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            answer.insert(answer.end(), m.begin() + static_cast<std::ptrdiff_t>(at),
                          m.begin() + static_cast<std::ptrdiff_t>(at + words * 2));
        }
    }
    std::vector<uint8_t> unit = {0x02, 0xF0, 0x80};
    if (delivery_ == Delivery::TwoDataUnits && answer.size() > kHeader + 1) {
        size_t half = kHeader + (answer.size() - kHeader) / 2;
        std::vector<uint8_t> first = {0x02, 0xF0, 0x00};
        first.insert(first.end(), answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(half));
        unit.insert(unit.end(), answer.begin() + static_cast<std::ptrdiff_t>(half), answer.end());
        return SendTpkt(fd, first) && SendTpkt(fd, unit);
    }
    unit.insert(unit.end(), answer.begin(), answer.end());
    return SendTpkt(fd, unit);
}

bool S5Responder::SendTpkt(int fd, const std::vector<uint8_t> &unit)
{
    size_t total = unit.size() + 4;
    std::vector<uint8_t> tpkt = {0x03, 0x00, static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total)};
    tpkt.insert(tpkt.end(), unit.begin(), unit.end());
    if (delivery_ != Delivery::SplitReads) {
        return WriteAll(fd, tpkt.data(), tpkt.size());
    }
    // Three pieces: inside the TPKT header, inside the unit, the rest.
    size_t cuts[] = {0, 2, std::min<size_t>(9, tpkt.size()), tpkt.size()};
    for (int i = 0; i < 3; ++i) {
        if (cuts[i + 1] > cuts[i] && !WriteAll(fd, tpkt.data() + cuts[i], cuts[i + 1] - cuts[i])) {
            return false;
        }
        Pause();
    }
    return true;
}

} // namespace ferrolink_test
