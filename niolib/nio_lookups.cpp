#include "niolib/nio_state.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <cctype>
#include <cstring>

using namespace nio;
using namespace nio::detail;

namespace
{

// Record `index` of a table of uint32 offsets from H, when the record of `recordSize` bytes lies in
// the image. The table offset is read again each time: any process may rewrite the header.
uint8_t *TableRecord(size_t tableField, int16_t index, size_t recordSize)
{
    const uint8_t *h = S().header;
    auto entry = ImageSpan(ReadU32(h, tableField) + uint64_t(kTableEntrySize) * index, kTableEntrySize);
    if (!entry)
        return nullptr;
    auto record = ImageSpan(ReadU32(ImageAt(*entry), 0), recordSize);
    return record ? ImageAt(*record) : nullptr;
}

int16_t Field16(const uint8_t *record, size_t offset)
{
    return static_cast<int16_t>(ReadU16(record, offset));
}

struct Area {
    size_t offsetField;
    size_t sizeField;
    bool wideSize; // area 4 has a 32-bit size
};

// Areas 1..5 of a data block.
constexpr Area kAreas[] = {
    {kBlkArea1Off, kBlkArea1Size, false}, {kBlkArea2Off, kBlkArea2Size, false},
    {kBlkArea3Off, kBlkArea3Size, false}, {kBlkArea4Off, kBlkArea4Size, true},
    {kBlkArea5Off, kBlkArea5Size, false},
};

// The data block for a lookup by index: the cached one, or a fresh nio_map_dit after logging the miss.
uint8_t *CachedOrMapped(int16_t index, const char *missFormat, int kind, bool withKind)
{
    State &s = S();
    if (index == s.cachedIndex && s.cachedBlock)
        return s.cachedBlock;
    if (withKind)
        nio_log(80, missFormat, index, kind, s.cachedIndex);
    else
        nio_log(80, missFormat, index, s.cachedIndex);
    return nio_map_dit(index);
}

} // namespace

int16_t nio_chan_count()
{
    if (S().channelCount == 0)
        nio_map_hdr();
    return S().channelCount;
}

int16_t nio_dev_count()
{
    return S().deviceCount;
}

int16_t nio_rec_count()
{
    return S().pollRecordCount;
}

uint8_t *nio_map_chan(int16_t index)
{
    if (!nio_map_hdr())
        return nullptr; // reported there
    uint8_t *record = nullptr;
    if (index >= 0 && index < S().channelCount)
        record = TableRecord(kHdrChannelTable, index, kChannelRecordSize);
    if (!record)
        nio_log(70, "nio_map_chan(%d) NIOLIB Bad Handle", index);
    return record;
}

uint8_t *nio_map_dev(int16_t index)
{
    if (!nio_map_hdr())
        return nullptr; // reported there
    uint8_t *record = nullptr;
    if (index >= 0 && index < S().deviceCount)
        record = TableRecord(kHdrDeviceTable, index, kDeviceRecordSize);
    if (!record)
        nio_log(70, "nio_map_dev() NIOLIB Bad Handle");
    return record;
}

uint8_t *nio_map_rec(int16_t index)
{
    if (!nio_map_hdr() || index < 0 || index >= S().pollRecordCount)
        return nullptr;
    uint64_t fromH = ReadU32(S().header, kHdrPollRecordTable) + uint64_t(kPollTableEntrySize) * index;
    auto entry = ImageSpan(fromH, kPollTableEntrySize);
    return entry ? ImageAt(*entry) : nullptr;
}

uint8_t *nio_map_dit(int16_t index)
{
    uint8_t *entry = nio_map_rec(index);
    uint8_t *block = nullptr;
    if (entry) {
        auto at = ImageSpan(ReadU32(entry, kPollEntryBlockOffset), kPollRecordSize);
        block = at ? ImageAt(*at) : nullptr;
    }
    if (!block) {
        nio_log(70, "nio_map_dit(%d) NIOLIB Bad Handle", index);
        return nullptr;
    }
    S().cachedIndex = index;
    S().cachedBlock = block;
    return block;
}

uint8_t *nio_find_data(int16_t index, int kind)
{
    uint8_t *block = CachedOrMapped(index, "nio_find_data(%d,%d) different from map %d", kind, true);
    if (!block) {
        nio_log(70, "nio_find_data(%d,%d) FAILED", index, kind);
        return nullptr;
    }
    if (kind < 1 || kind > 5)
        return block;
    const Area &area = kAreas[kind - 1];
    uint32_t size = area.wideSize ? ReadU32(block, area.sizeField) : ReadU16(block, area.sizeField);
    if (size == 0)
        return nullptr;
    // The area must lie in the image: its offset and size come from bytes any process may write.
    size_t blockAt = static_cast<size_t>(block - S().header);
    auto at = ImageSpan(uint64_t(blockAt) + ReadU32(block, area.offsetField), size);
    if (!at) {
        nio_log(70, "nio_find_data(%d,%d) FAILED", index, kind);
        return nullptr;
    }
    return ImageAt(*at);
}

void nio_SetTimeStamp(int16_t index)
{
    uint8_t *block = CachedOrMapped(index, "nio_SetTimeStamp(%d) different from map %d", 0, false);
    if (!block) {
        nio_log(70, "SetTimeStamp(%d) FAILED", index);
        return;
    }
    uint64_t now = FileTimeNow();
    for (int i = 0; i < 8; ++i)
        block[kBlkTimeStamp + i] = static_cast<uint8_t>(now >> (8 * i));
}

int16_t nio_chan_dev(int16_t channel, int16_t n)
{
    uint8_t *record = nio_map_chan(channel);
    if (!record || n < 0)
        return -1;
    int16_t index = static_cast<int16_t>(Field16(record, kChanFirstDevice) + n);
    if (index < 0 || index >= S().deviceCount || n >= Field16(record, kChanDeviceCount))
        return -1;
    return index;
}

int16_t nio_chan_rec(int16_t channel, int16_t n)
{
    uint8_t *record = nio_map_chan(channel);
    if (!record || n < 0)
        return -1;
    int16_t index = static_cast<int16_t>(Field16(record, kChanFirstPollRecord) + n);
    if (index < 0 || index >= S().pollRecordCount || n >= Field16(record, kChanPollRecordCount))
        return -1;
    return index;
}

int16_t nio_chan_dev_count(int16_t channel)
{
    uint8_t *record = nio_map_chan(channel);
    return record ? Field16(record, kChanDeviceCount) : 0;
}

int16_t nio_chan_rec_count(int16_t channel)
{
    uint8_t *record = nio_map_chan(channel);
    return record ? Field16(record, kChanPollRecordCount) : 0;
}

int16_t nio_find_device(const char *name, int16_t *channel)
{
    constexpr size_t kNameBuffer = 31;
    if (!name || std::strlen(name) >= kNameBuffer || !nio_map_hdr())
        return -1;
    char wanted[kNameBuffer];
    std::strcpy(wanted, name);
    for (char *p = wanted; *p; ++p)
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    size_t wantedLen = std::strlen(wanted);

    for (int16_t d = 0; d < S().deviceCount; ++d) {
        const uint8_t *device = nio_map_dev(d);
        if (!device)
            continue;
        // The stored name ends at its NUL or at the end of the record, whichever comes first.
        const char *stored = reinterpret_cast<const char *>(device + kDevName);
        size_t storedLen = strnlen(stored, kDeviceRecordSize - kDevName);
        if (storedLen != wantedLen || std::memcmp(stored, wanted, wantedLen) != 0)
            continue;
        for (int16_t c = 0; c < S().channelCount; ++c) {
            const uint8_t *chan = nio_map_chan(c);
            if (!chan)
                continue;
            int first = Field16(chan, kChanFirstDevice);
            int count = Field16(chan, kChanDeviceCount);
            if (d >= first && d < first + count) {
                if (channel)
                    *channel = c;
                return static_cast<int16_t>(d - first);
            }
        }
    }
    return -1;
}
