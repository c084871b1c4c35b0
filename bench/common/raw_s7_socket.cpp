#include "raw_s7_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace benchraw
{

namespace
{
// Where the item's count and data block number stand in the read request.
constexpr size_t kItemCount = 23;
constexpr size_t kItemDb = 25;
} // namespace

bool SendAll(int fd, const std::vector<uint8_t> &bytes)
{
    return send(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
}

bool ReadTpkt(int fd, std::vector<uint8_t> &out)
{
    uint8_t header[4];
    if (recv(fd, header, 4, MSG_WAITALL) != 4)
        return false;
    size_t length = (static_cast<size_t>(header[2]) << 8) | header[3];
    if (length < 4)
        return false;
    out.resize(length - 4);
    return recv(fd, out.data(), out.size(), MSG_WAITALL) == static_cast<ssize_t>(out.size());
}

int ConnectS7(const std::string &ipv4, uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, ipv4.c_str(), &a.sin_addr);
    a.sin_port = htons(port);
    std::vector<uint8_t> in;
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        !SendAll(fd, {0x03, 0x00, 0x00, 0x16, 0x11, 0xE0, 0x00, 0x00, 0x00, 0x01, 0x00,
                      0xC1, 0x02, 0x01, 0x00, 0xC2, 0x02, 0x03, 0x02, 0xC0, 0x01, 0x0B}) ||
        !ReadTpkt(fd, in) ||
        !SendAll(fd, {0x03, 0x00, 0x00, 0x19, 0x02, 0xF0, 0x80, 0x32, 0x01, 0x00, 0x00, 0xFF, 0xFF,
                      0x00, 0x08, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x02, 0x00, 0x01, 0x03, 0xC0}) ||
        !ReadTpkt(fd, in)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::vector<uint8_t> DbReadRequest(uint16_t db, uint16_t bytes)
{
    std::vector<uint8_t> frame = {0x03, 0x00, 0x00, 0x1F, 0x02, 0xF0, 0x80, 0x32, 0x01, 0x00, 0x00,
                                  0x00, 0x01, 0x00, 0x0E, 0x00, 0x00, 0x04, 0x01, 0x12, 0x0A, 0x10,
                                  0x02, 0x00, 0x00, 0x00, 0x00, 0x84, 0x00, 0x00, 0x00};
    frame[kItemCount] = static_cast<uint8_t>(bytes >> 8);
    frame[kItemCount + 1] = static_cast<uint8_t>(bytes);
    frame[kItemDb] = static_cast<uint8_t>(db >> 8);
    frame[kItemDb + 1] = static_cast<uint8_t>(db);
    return frame;
}

} // namespace benchraw
