#include "driver/image_plan.h"

#include "ferrolink.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <algorithm>
#include <cstring>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>

namespace spoll
{
namespace
{

// PLC type values of the device record.
constexpr uint16_t kPlcS5 = 0;
constexpr uint16_t kPlcTi = 2;
constexpr uint16_t kPlcS7[] = {1, 3, 4, 5, 6};

// Memory types as the packed start address holds them.
constexpr uint32_t kS7MemP = 0, kS7MemI = 1, kS7MemQ = 2, kS7MemM = 3, kS7MemDb = 4;
constexpr uint32_t kS5MemDb = 1, kS5MemDx = 10, kS5MemC = 6, kS5MemT = 7;
constexpr uint32_t kS7AreaPeripheral = 0x80;

Family FamilyOfPlcType(uint16_t type)
{
    if (type == kPlcS5)
        return Family::S5;
    if (type == kPlcTi)
        return Family::TI;
    for (uint16_t t : kPlcS7)
        if (t == type)
            return Family::S7;
    return Family::Unknown;
}

std::string Text(const uint8_t *p, size_t size)
{
    size_t n = 0;
    while (n < size && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char *>(p), n);
}

std::set<uint32_t> LocalAddresses()
{
    std::set<uint32_t> out;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs *a = list; a; a = a->ifa_next)
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET)
            out.insert(ntohl(reinterpret_cast<sockaddr_in *>(a->ifa_addr)->sin_addr.s_addr));
    freeifaddrs(list);
    return out;
}

std::string IpText(uint32_t ip)
{
    return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
           std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
}

std::string MacText(const uint8_t *p)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < nio::kDevAddressSize; ++i) {
        s += hex[p[i] >> 4];
        s += hex[p[i] & 0xF];
    }
    return s;
}

class Reader
{
public:
    explicit Reader(AddressPolicy policy) : policy_(policy)
    {
        if (policy == AddressPolicy::LocalOnly)
            local_ = LocalAddresses();
    }

    // An endpoint of a device, or the reason it cannot be polled.
    std::string ReadEndpoint(const uint8_t *dev, size_t at, size_t tsapAt, bool tcp, Endpoint &e)
    {
        e.tsap = Text(dev + tsapAt, nio::kDevTsapSize);
        if (!tcp) {
            std::memcpy(e.remote.data(), dev + at, nio::kDevAddressSize);
            e.text = MacText(dev + at);
            return {};
        }
        uint32_t ip = nio::ReadU32(dev, at); // most significant byte = first octet
        e.text = IpText(ip);
        std::memcpy(e.remote.data(), &ip, sizeof ip); // the library takes it in host order
        if (ip == 0)
            return kNoAddress;
        bool loopback = (ip >> 24) == 127;
        if (policy_ == AddressPolicy::LocalOnly && !loopback && !local_.count(ip))
            return "address " + e.text + " is outside this network namespace";
        return {};
    }

    void ReadRecord(int16_t index, int position, Family family, RecordPlan &r)
    {
        r.index = index;
        r.position = position;
        r.family = family;
        r.block = nio_map_dit(index);
        if (!r.block) {
            r.whyNotPolled = "lies outside the image";
            return;
        }
        r.data = nio_find_data(index, 1);
        r.dataSize = r.data ? nio::ReadU16(r.block, nio::kBlkArea1Size) : 0;
        uint32_t packed = nio::ReadU32(r.block, nio::kBlkStartAddress);
        uint32_t count = nio::ReadU16(r.block, nio::kBlkElementCount);
        uint32_t mem = (packed >> 20) & 0xF;
        if (family == Family::S7) {
            r.start = packed & 0xFFFFF;
            r.db = mem == kS7MemDb ? nio::ReadU16(r.block, nio::kBlkDbNumber) : 0;
            r.bytes = count;
            switch (mem) {
            case kS7MemDb:
                r.area = FL_S7_AREA_DB;
                break;
            case kS7MemM:
                r.area = FL_S7_AREA_MARKERS;
                break;
            case kS7MemI:
                r.area = FL_S7_AREA_INPUTS;
                break;
            case kS7MemQ:
                r.area = FL_S7_AREA_OUTPUTS;
                break;
            case kS7MemP:
                r.area = kS7AreaPeripheral;
                break;
            default:
                r.whyNotPolled = "memory type " + std::to_string(mem) + " is not read by this engine";
            }
            r.address = S7AddressText(r.area, r.db, r.start);
        } else if (family == Family::S5) {
            r.start = packed & 0xFFFF;
            r.db = (mem == kS5MemDb || mem == kS5MemDx) ? static_cast<uint16_t>(packed >> 24) : 0;
            r.bytes = count * 2;
            if (mem == kS5MemDb || mem == kS5MemDx || mem == kS5MemC || mem == kS5MemT)
                r.area = mem;
            else
                r.whyNotPolled = "memory type " + std::to_string(mem) + " is not read by this engine";
            r.address = S5AddressText(mem, r.db, r.start);
        } else {
            r.address = "TI " + std::to_string(packed);
            r.whyNotPolled = "Simatic TI has no request in the transport";
        }
        if (r.whyNotPolled.empty() && (r.bytes == 0 || !r.data || r.bytes > r.dataSize))
            r.whyNotPolled = "length " + std::to_string(count) + " does not fit its data area";
        int32_t pollCs = static_cast<int32_t>(nio::ReadU32(r.block, nio::kBlkPollTime));
        if (r.whyNotPolled.empty() && r.block[nio::kBlkPollEnabled] != 0 && pollCs > 0)
            r.periodMs = static_cast<uint32_t>(pollCs) * 10;
    }

private:
    AddressPolicy policy_;
    std::set<uint32_t> local_;
};

} // namespace

std::string S7AddressText(uint32_t area, uint16_t db, uint32_t start)
{
    switch (area) {
    case FL_S7_AREA_DB:
        return "DB" + std::to_string(db) + ",B" + std::to_string(start);
    case FL_S7_AREA_MARKERS:
        return "M" + std::to_string(start);
    case FL_S7_AREA_INPUTS:
        return "I" + std::to_string(start);
    case FL_S7_AREA_OUTPUTS:
        return "Q" + std::to_string(start);
    case kS7AreaPeripheral:
        return "P" + std::to_string(start);
    default:
        return "?" + std::to_string(start);
    }
}

std::string S5AddressText(uint32_t org, uint16_t db, uint32_t start)
{
    switch (org) {
    case kS5MemDb:
        return "DB:" + std::to_string(db) + ":" + std::to_string(start);
    case kS5MemDx:
        return "DX:" + std::to_string(db) + ":" + std::to_string(start);
    case kS5MemC:
        return "C:" + std::to_string(start);
    case kS5MemT:
        return "T:" + std::to_string(start);
    default:
        return "?:" + std::to_string(start);
    }
}

ImagePlan ReadImagePlan(AddressPolicy policy)
{
    ImagePlan plan;
    if (!nio::ImageMapped())
        return plan;
    Reader reader(policy);
    for (int16_t c = 0; c < nio_chan_count(); ++c) {
        ChannelPlan ch;
        ch.index = c;
        ch.record = nio_map_chan(c);
        if (!ch.record) {
            plan.problems.push_back("channel " + std::to_string(c + 1) + " lies outside the image");
            continue;
        }
        ch.tcp = ch.record[nio::kChanProtocol] != nio::kProtocolIso;
        for (size_t i = 0; i + 1 < nio::kChanEthernetCardChars; ++i) {
            char16_t u = static_cast<char16_t>(nio::ReadU16(ch.record, nio::kChanEthernetCard + 2 * i));
            if (u == 0)
                break;
            ch.card += u;
        }
        auto hundredths = [&](size_t at, uint32_t fallback) {
            int32_t v = static_cast<int32_t>(nio::ReadU32(ch.record, at));
            return v > 0 ? static_cast<uint32_t>(v) * 10 : fallback;
        };
        ch.replyTimeoutMs = hundredths(nio::kChanReplyTimeout, 5000);
        ch.delayMs = hundredths(nio::kChanDelay, 10000);
        ch.retries = ch.record[nio::kChanRetries] <= 9 ? ch.record[nio::kChanRetries] : 3;

        for (int16_t n = 0; n < nio_chan_dev_count(c); ++n) {
            int16_t d = nio_chan_dev(c, n);
            uint8_t *dev = d >= 0 ? nio_map_dev(d) : nullptr;
            if (!dev)
                continue;
            DevicePlan device;
            device.name = Text(dev + nio::kDevName, nio::kDevNameSize);
            device.family = FamilyOfPlcType(nio::ReadU16(dev, nio::kDevPlcType));
            device.whyNotPolled =
                reader.ReadEndpoint(dev, nio::kDevAddress, nio::kDevReadTsap, ch.tcp, device.primary);
            if (nio::ReadU16(dev, nio::kDevBackupEnabled) != 0) {
                device.hasBackup = reader
                                       .ReadEndpoint(dev, nio::kDevBackupAddress, nio::kDevBackupReadTsap,
                                                     ch.tcp, device.backup)
                                       .empty();
            }
            if (device.family == Family::Unknown)
                device.whyNotPolled = "has an unknown PLC type";
            // Indexes come from bytes any process may write: nio_map_dit refuses those outside the image.
            int first = nio::ReadU16(dev, nio::kDevFirstPollRecord);
            int own = std::min<int>(nio::ReadU16(dev, nio::kDevPollRecordCount), nio_rec_count());
            for (int k = 0; k < own && first + k < nio_rec_count(); ++k) {
                RecordPlan r;
                reader.ReadRecord(static_cast<int16_t>(first + k), k + 1, device.family, r);
                device.records.push_back(std::move(r));
            }
            ch.devices.push_back(std::move(device));
        }
        plan.channels.push_back(std::move(ch));
    }
    return plan;
}

} // namespace spoll
