#include "image_builder.h"

#include <cstring>

namespace niotest
{
namespace
{

constexpr size_t kH = 102;

void Pad(std::vector<uint8_t> &b)
{
    while (b.size() % 8 != 0)
        b.push_back('G');
}

} // namespace

void PutU16(std::vector<uint8_t> &b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t GetU16(const uint8_t *p, size_t at)
{
    return static_cast<uint16_t>(p[at] | (p[at + 1] << 8));
}

uint32_t GetU32(const uint8_t *p, size_t at)
{
    return static_cast<uint32_t>(p[at]) | (static_cast<uint32_t>(p[at + 1]) << 8) |
           (static_cast<uint32_t>(p[at + 2]) << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
}

BuiltImage BuildImage(const TestImage &layout)
{
    BuiltImage out;
    std::vector<uint8_t> &b = out.bytes;
    b.assign(kH + 34, 0);
    std::vector<const TestDevice *> devices;
    for (const auto &c : layout.channels)
        for (const auto &d : c.devices)
            devices.push_back(&d);
    int pollCount = 0;
    for (auto *d : devices)
        pollCount += d->pollRecords;

    out.channelTableAt = b.size();
    b.resize(b.size() + 4 * layout.channels.size());
    int firstDevice = 0, firstPoll = 0;
    for (size_t c = 0; c < layout.channels.size(); ++c) {
        Pad(b);
        out.channelAt.push_back(b.size());
        PutU32(b, out.channelTableAt + 4 * c, static_cast<uint32_t>(b.size() - kH));
        size_t at = b.size();
        b.resize(b.size() + 384);
        int polls = 0;
        for (const auto &d : layout.channels[c].devices)
            polls += d.pollRecords;
        PutU16(b, at + 40, static_cast<uint16_t>(firstDevice));
        PutU16(b, at + 42, static_cast<uint16_t>(layout.channels[c].devices.size()));
        PutU16(b, at + 44, static_cast<uint16_t>(firstPoll));
        PutU16(b, at + 46, static_cast<uint16_t>(polls));
        firstDevice += static_cast<int>(layout.channels[c].devices.size());
        firstPoll += polls;
    }

    Pad(b);
    out.deviceTableAt = b.size();
    b.resize(b.size() + 4 * devices.size());
    firstPoll = 0;
    for (size_t d = 0; d < devices.size(); ++d) {
        Pad(b);
        out.deviceAt.push_back(b.size());
        PutU32(b, out.deviceTableAt + 4 * d, static_cast<uint32_t>(b.size() - kH));
        size_t at = b.size();
        b.resize(b.size() + 196);
        PutU16(b, at + 0, static_cast<uint16_t>(firstPoll));
        PutU16(b, at + 2, static_cast<uint16_t>(devices[d]->pollRecords));
        std::memcpy(&b[at + 4], devices[d]->name.data(), std::min<size_t>(devices[d]->name.size(), 11));
        firstPoll += devices[d]->pollRecords;
    }

    Pad(b);
    out.pollTableAt = b.size();
    b.resize(b.size() + 32 * static_cast<size_t>(pollCount));
    int k = 0;
    for (size_t d = 0; d < devices.size(); ++d) {
        for (int r = 0; r < devices[d]->pollRecords; ++r, ++k) {
            Pad(b);
            out.blockAt.push_back(b.size());
            PutU32(b, out.pollTableAt + 32 * k, static_cast<uint32_t>(b.size() - kH));
            size_t at = b.size();
            b.resize(b.size() + 78);
            const auto &s = devices[d]->areaSizes;
            PutU16(b, at + 14, static_cast<uint16_t>(d));
            uint32_t off = 78;
            PutU32(b, at + 28, off);
            PutU16(b, at + 32, static_cast<uint16_t>(s[0]));
            off += s[0];
            PutU32(b, at + 34, off);
            PutU16(b, at + 38, static_cast<uint16_t>(s[1]));
            off += s[1];
            PutU32(b, at + 40, off);
            PutU16(b, at + 44, static_cast<uint16_t>(s[2]));
            off += s[2];
            PutU32(b, at + 46, off);
            PutU32(b, at + 24, s[3]);
            off += s[3];
            PutU32(b, at + 52, off);
            PutU16(b, at + 56, static_cast<uint16_t>(s[4]));
            off += s[4];
            b.resize(at + off);
        }
    }
    b.resize(b.size() + layout.tail);

    b[kH + 3] = static_cast<uint8_t>(layout.channels.size());
    b[kH + 4] = static_cast<uint8_t>(devices.size());
    PutU32(b, kH + 10, layout.version);
    PutU16(b, kH + 16, 384);
    PutU16(b, kH + 18, static_cast<uint16_t>(pollCount));
    PutU16(b, kH + 20, 196);
    PutU32(b, kH + 22, static_cast<uint32_t>(out.channelTableAt - kH));
    PutU32(b, kH + 26, static_cast<uint32_t>(out.deviceTableAt - kH));
    PutU32(b, kH + 30, static_cast<uint32_t>(out.pollTableAt - kH));
    PutU32(b, 0, static_cast<uint32_t>(b.size()));
    PutU32(b, 4, static_cast<uint32_t>(b.size()));
    return out;
}

TestImage SimpleImage(const std::string &deviceName)
{
    TestImage image;
    image.channels.push_back({{TestDevice{deviceName}}});
    return image;
}

} // namespace niotest
