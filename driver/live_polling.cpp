#include "driver/live_polling.h"

#include "driver/address_text.h"
#include "ferrolink.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace spoll
{
namespace
{

constexpr int kTcpTransportChannel = 0;
constexpr int kH1TransportChannel = 1;
constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;

std::string Hex(const uint8_t *p, size_t n)
{
    std::string s;
    char two[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, i ? " %02X" : "%02X", p[i]);
        s += two;
    }
    return s;
}

std::string Age(const uint8_t *block)
{
    double age = AgeSeconds(block);
    if (age < 0)
        return "never";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", age);
    return text;
}

bool Covers(const RecordPlan &r, const ParsedAddress &a)
{
    uint32_t units = r.family == Family::S5 ? r.bytes / 2 : r.bytes;
    return r.data && r.area == a.area && r.db == a.db && a.start >= r.start &&
           uint64_t(a.start) + a.width <= uint64_t(r.start) + units;
}

} // namespace

double AgeSeconds(const uint8_t *block)
{
    uint64_t stamp;
    std::memcpy(&stamp, block + nio::kBlkTimeStamp, sizeof stamp);
    if (stamp == 0)
        return -1;
    uint64_t now = nio::FileTimeNow();
    return now > stamp ? static_cast<double>(now - stamp) / kFileTimeUnitsPerSecond : 0.0;
}

const char *StatusName(uint16_t status)
{
    switch (status & nio::kStatusMask) {
    case kStatusGood:
        return "good";
    case kStatusFailed:
        return "failed";
    case kStatusRefused:
        return "refused";
    case kStatusNotPolled:
        return "not polled";
    case kStatusNotYet:
        return "not polled yet";
    default:
        return "unknown";
    }
}

LivePolling::LivePolling(uint8_t *controlBlock, AddressPolicy policy)
    : policy_(policy), messages_(controlBlock)
{
}

LivePolling::~LivePolling()
{
    LeaveImage();
}

void LivePolling::OpenConnections(ChannelPlan &channel, int transportChannel)
{
    PollTiming timing{std::chrono::milliseconds(channel.replyTimeoutMs),
                      std::chrono::milliseconds(channel.delayMs), channel.retries};
    for (DevicePlan &device : channel.devices) {
        if (!device.whyNotPolled.empty()) {
            // A device without any address was never set up to be polled: its status says enough.
            if (device.whyNotPolled != kNoAddress)
                messages_.Post(kMsgAlarm, device.name + " not polled: " + device.whyNotPolled);
            for (RecordPlan &r : device.records)
                if (r.block)
                    nio::StoreField16(r.block, nio::kBlkStatus, kStatusNotPolled);
            continue;
        }
        for (RecordPlan &r : device.records)
            if (!r.whyNotPolled.empty())
                messages_.Post(kMsgAlarm, device.name + " record " + std::to_string(r.position) + " " +
                                              r.address + " not polled: " + r.whyNotPolled);
        int kind = device.family == Family::S5 ? FL_KIND_S5 : FL_KIND_S7;
        auto poller =
            std::make_unique<DevicePoller>(device, channel.record, channel.tcp, timing, -1, -1, messages_);
        int primary = H1_Create_Connection(transportChannel, device.primary.tsap.c_str(),
                                           device.primary.remote.data(), kind, poller->RequestBlock());
        int backup = -1;
        if (primary >= 0 && device.hasBackup)
            backup = H1_Create_Connection(transportChannel, device.backup.tsap.c_str(),
                                          device.backup.remote.data(), kind, poller->RequestBlock());
        if (primary < 0) {
            messages_.Post(kMsgAlarm, device.name + " not polled: no connection left in the transport");
            continue;
        }
        poller->UseConnections(primary, backup, transportChannel, kind);
        pollers_.push_back(std::move(poller));
    }
}

void LivePolling::TakeImage()
{
    std::lock_guard<std::mutex> hold(lock_);
    plan_ = ReadImagePlan(policy_);
    for (const std::string &p : plan_.problems)
        messages_.Post(kMsgAlarm, p);
    std::u16string h1Card;
    for (ChannelPlan &channel : plan_.channels) {
        std::string label = "channel " + std::to_string(channel.index + 1);
        if (channel.tcp) {
            if (!tcpOpen_)
                tcpOpen_ = H1_Open_Channel(FL_CHANNEL_TCP, kTcpTransportChannel, nullptr) == 1;
            if (tcpOpen_)
                OpenConnections(channel, kTcpTransportChannel);
            continue;
        }
        // The transport has one H1 channel: the first adapter named wins.
        if (!h1Open_ && !channel.card.empty()) {
            h1Open_ = H1_Open_Channel(nio::kProtocolIso, kH1TransportChannel, channel.card.c_str()) == 1;
            h1Card = channel.card;
            if (!h1Open_)
                messages_.Post(kMsgAlarm, label + " not polled: its Ethernet card cannot be opened");
        }
        if (h1Open_ && channel.card == h1Card)
            OpenConnections(channel, kH1TransportChannel);
        else if (h1Open_ || channel.card.empty())
            messages_.Post(kMsgAlarm, label + " not polled: only one Ethernet card is served at a time");
    }
    for (auto &p : pollers_)
        p->Start();
}

void LivePolling::LeaveImage()
{
    std::lock_guard<std::mutex> hold(lock_);
    for (auto &p : pollers_)
        p->Stop();
    pollers_.clear();
    if (tcpOpen_)
        H1_Close_Channel(kTcpTransportChannel);
    if (h1Open_)
        H1_Close_Channel(kH1TransportChannel);
    tcpOpen_ = h1Open_ = false;
    plan_ = {};
}

DevicePlan *LivePolling::FindDevice(const std::string &name)
{
    for (ChannelPlan &c : plan_.channels)
        for (DevicePlan &d : c.devices)
            if (strcasecmp(d.name.c_str(), name.c_str()) == 0)
                return &d;
    return nullptr;
}

std::string LivePolling::Read(const std::string &target)
{
    size_t colon = target.find(':');
    if (colon == std::string::npos)
        return "1\nwrite the address as DEVICE:ADDRESS\n";
    DevicePlan *device = FindDevice(target.substr(0, colon));
    if (!device)
        return "1\nno device " + target.substr(0, colon) + " in the running configuration\n";
    auto a = ParseAddress(device->family, target.substr(colon + 1));
    if (!a)
        return "1\n" + target.substr(colon + 1) + " is not an address of " + device->name + "\n";
    std::lock_guard<std::mutex> hold(*device->recordsLock);
    for (const RecordPlan &r : device->records) {
        if (!Covers(r, *a))
            continue;
        uint16_t status = nio::LoadField16(r.block, nio::kBlkStatus);
        uint32_t at = r.family == Family::S5 ? (a->start - r.start) * 2 : a->start - r.start;
        uint32_t bytes = r.family == Family::S5 ? 2 : a->width;
        uint64_t value = 0;
        for (uint32_t i = 0; i < bytes; ++i)
            value = value << 8 | r.data[at + i];
        if (a->bit >= 0)
            value = (value >> a->bit) & 1;
        return "0\n" + target + " = " + std::to_string(value) + " (" + Hex(r.data + at, bytes) + ") " +
               StatusName(status) + ", age " + Age(r.block) + ", record " + std::to_string(r.position) + "\n";
    }
    // The configurator's messages view picks this up and, learning addresses, adds the record.
    messages_.PostLearn("NIO-*LEARN-" + target);
    return "1\n" + target + " is in no poll record: the configurator is asked to learn it\n";
}

std::string LivePolling::Values(const std::string &name)
{
    DevicePlan *device = FindDevice(name);
    if (!device)
        return "1\nno device " + name + " in the running configuration\n";
    std::string out = "0\n";
    std::lock_guard<std::mutex> hold(*device->recordsLock);
    for (const RecordPlan &r : device->records) {
        if (!r.block)
            continue;
        uint16_t status = nio::LoadField16(r.block, nio::kBlkStatus);
        out += std::to_string(r.position) + "\t" + r.address + "\t" + std::to_string(r.bytes) + "\t" +
               StatusName(status) + "\t" + Age(r.block) + "\t" + (r.data ? Hex(r.data, r.bytes) : "") + "\n";
    }
    return out;
}

std::string LivePolling::Answer(const std::string &request)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (request.rfind("read ", 0) == 0)
        return Read(request.substr(5));
    if (request.rfind("values ", 0) == 0)
        return Values(request.substr(7));
    return "1\nunknown request\n";
}

} // namespace spoll
