#include "af_packet_device.h"

#include "byte_order.h"
#include "h1_frames.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace ferrolink
{
namespace
{

struct Interface {
    std::string name;
    MacAddress address{};
    int index = 0;
};

// The machine's Ethernet interfaces, in interface index order.
std::vector<Interface> EthernetInterfaces()
{
    std::vector<Interface> found;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        return found;
    }
    for (ifaddrs *it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_PACKET ||
            (it->ifa_flags & IFF_LOOPBACK)) {
            continue;
        }
        sockaddr_ll ll{};
        std::memcpy(&ll, it->ifa_addr, sizeof ll);
        if (ll.sll_hatype != ARPHRD_ETHER || ll.sll_halen != 6) {
            continue;
        }
        Interface i;
        i.name = it->ifa_name;
        i.index = ll.sll_ifindex;
        std::copy_n(ll.sll_addr, 6, i.address.begin());
        found.push_back(i);
    }
    freeifaddrs(list);
    std::sort(found.begin(), found.end(),
              [](const Interface &a, const Interface &b) { return a.index < b.index; });
    return found;
}

std::u16string Widen(const std::string &text)
{
    return std::u16string(text.begin(), text.end()); // interface names are ASCII
}

// What the system knows of an interface: its driver, when it has a device behind it, and its address.
std::string Describe(const Interface &i)
{
    std::string driver = "virtual";
    std::string link = "/sys/class/net/" + i.name + "/device/driver";
    char target[PATH_MAX];
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = 0;
        const char *slash = std::strrchr(target, '/');
        driver = slash != nullptr ? slash + 1 : target;
    }
    char mac[18];
    std::snprintf(mac, sizeof mac, "%02x:%02x:%02x:%02x:%02x:%02x", i.address[0], i.address[1], i.address[2],
                  i.address[3], i.address[4], i.address[5]);
    return "Ethernet adapter " + i.name + " (" + driver + ", " + mac + ")";
}

class AfPacketDevice final : public PacketDevice
{
public:
    explicit AfPacketDevice(int fd) : fd_(fd) {}
    ~AfPacketDevice() override { ::close(fd_); }
    AfPacketDevice(const AfPacketDevice &) = delete;
    AfPacketDevice &operator=(const AfPacketDevice &) = delete;

    long Control(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output) override
    {
        switch (code) {
        case kControlBind:
            return Bind(input);
        case kControlQueryAddress:
            return QueryAddress(input, output);
        case kControlEnumerate:
            return Enumerate(input, output);
        case kControlWaitBindings:
            return 0; // the interfaces exist already
        default:
            return -1;
        }
    }

    int WriteFrame(std::span<const uint8_t> frame) override
    {
        if (ifindex_ == 0) {
            return ENOTCONN;
        }
        ssize_t sent = ::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL);
        return sent == static_cast<ssize_t>(frame.size()) ? 0 : (sent < 0 ? errno : EIO);
    }

    long ReadFrame(std::span<uint8_t> buffer, int timeout_ms) override
    {
        if (closed_) {
            return -1;
        }
        pollfd p{fd_, POLLIN, 0};
        int ready = ::poll(&p, 1, std::min(timeout_ms, kPollSliceMs));
        if (closed_) {
            return -1;
        }
        if (ready <= 0) {
            return 0;
        }
        sockaddr_ll from{};
        socklen_t from_length = sizeof from;
        ssize_t got = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                                 reinterpret_cast<sockaddr *>(&from), &from_length);
        if (got <= 0 || static_cast<size_t>(got) > buffer.size()) {
            return 0; // nothing (another reader took it) or a frame longer than any we accept
        }
        // Our own frames are looped back to raw sockets; frames for other stations are not ours.
        if (from.sll_pkttype != PACKET_HOST && from.sll_pkttype != PACKET_BROADCAST &&
            from.sll_pkttype != PACKET_MULTICAST) {
            return 0;
        }
        std::span<const uint8_t> frame(buffer.data(), static_cast<size_t>(got));
        return IsTransportFrame(frame) ? got : 0;
    }

    void Close() override { closed_ = true; }

private:
    // Keeps a read's wait short enough that Close is noticed promptly.
    static constexpr int kPollSliceMs = 100;

    long Bind(std::span<const uint8_t> input)
    {
        std::string name;
        for (size_t i = 0; i + 1 < input.size(); i += 2) {
            uint16_t ch = Get16Le(&input[i]);
            if (ch == 0 || ch > 0x7F) {
                return -1;
            }
            name.push_back(static_cast<char>(ch));
        }
        for (const Interface &i : EthernetInterfaces()) {
            if (i.name == name) {
                sockaddr_ll address{};
                address.sll_family = AF_PACKET;
                address.sll_protocol = htons(ETH_P_802_2);
                address.sll_ifindex = i.index;
                if (::bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
                    return -1;
                }
                ifindex_ = i.index;
                return 0;
            }
        }
        return -1;
    }

    long QueryAddress(std::span<const uint8_t> input, std::span<uint8_t> output)
    {
        if (ifindex_ == 0 || input.size() < kObjectData || output.size() < kObjectData + 6 ||
            Get32Le(&input[kObjectId]) != kObjectCurrentAddress) {
            return -1;
        }
        for (const Interface &i : EthernetInterfaces()) {
            if (i.index == ifindex_) {
                std::copy(input.begin(), input.begin() + kObjectData, output.begin());
                std::copy(i.address.begin(), i.address.end(), output.begin() + kObjectData);
                return static_cast<long>(kObjectData + 6);
            }
        }
        return -1;
    }

    long Enumerate(std::span<const uint8_t> input, std::span<uint8_t> output)
    {
        if (input.size() < kBindingBlockSize) {
            return -1;
        }
        uint32_t index = Get32Le(&input[kBindingIndex]);
        auto interfaces = EthernetInterfaces();
        if (index >= interfaces.size()) {
            return -1;
        }
        const Interface &i = interfaces[index];
        return WriteBindingAnswer(index, Binding{Widen(i.name), Widen(Describe(i))}, output);
    }

    int fd_;
    int ifindex_ = 0;
    std::atomic<bool> closed_{false};
};
} // namespace

bool IsTransportFrame(std::span<const uint8_t> frame)
{
    return H1FrameUnit(frame).has_value();
}

std::shared_ptr<PacketDevice> OpenAfPacketDevice()
{
    int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0); // receives nothing until bound
    if (fd < 0) {
        return nullptr;
    }
    return std::make_shared<AfPacketDevice>(fd);
}

} // namespace ferrolink
