#include "document/config_image.h"

#include "model/channel.h"
#include "model/device.h"
#include "model/iorec.h"
#include "model/number_text.h"
#include "model/record_bytes.h"
#include "platform/record_layout.h"

#include <array>
#include <limits>

namespace hdr = layout::header;
namespace chan = layout::channel;
namespace dev = layout::device;
namespace prec = layout::pollrec;
namespace pentry = layout::pollentry;
namespace tbl = layout::table;
namespace lfile = layout::file;

namespace
{

bool HasPollRecords(const CDevice &device)
{
    return device.IORecCount() > 0;
}

bool KeepsADevice(const CChannel &channel)
{
    for (const auto &d : channel.Devices())
        if (HasPollRecords(*d))
            return true;
    return false;
}

void DeleteDevicesWithoutPollRecords(CChannel &channel)
{
    std::vector<CDevice *> doomed;
    for (const auto &d : channel.Devices())
        if (!HasPollRecords(*d))
            doomed.push_back(d.get());
    for (CDevice *d : doomed) {
        if (channel.GetCurrentDevice() == d)
            channel.SetCurrentDevice(nullptr);
        channel.RemoveDevice(d); // destroyed here
    }
}

// What the file will hold, counted before anything is changed, so that a configuration the format
// cannot hold is refused without touching the tree.
std::string CheckFits(const ChannelList &channels)
{
    size_t lastKept = 0, devices = 0, records = 0;
    for (size_t i = 0; i < channels.size(); ++i) {
        if (KeepsADevice(*channels[i]))
            lastKept = i + 1;
        for (const auto &d : channels[i]->Devices())
            if (HasPollRecords(*d)) {
                ++devices;
                records += d->IORecCount();
            }
    }
    if (lastKept > lfile::kMaxChannels)
        return "the configuration holds " + std::to_string(lastKept) +
               " channels; a configuration file holds at most " + std::to_string(lfile::kMaxChannels);
    if (devices > lfile::kMaxDevices)
        return "the configuration holds " + std::to_string(devices) +
               " devices; a configuration file holds at most " + std::to_string(lfile::kMaxDevices);
    if (records > lfile::kMaxPollRecords)
        return "the configuration holds " + std::to_string(records) +
               " poll records; a configuration file holds at most " + std::to_string(lfile::kMaxPollRecords);
    return {};
}

size_t AreaSizes(std::span<const uint8_t> record)
{
    return size_t{rec::GetU16(record, prec::kArea1Size)} + rec::GetU16(record, prec::kArea2Size) +
           rec::GetU16(record, prec::kArea3Size) + rec::GetU32(record, prec::kArea4Size) +
           rec::GetU16(record, prec::kArea5Size);
}

// An upper bound of the file's size (every item padded by 7), so the image is allocated once: growing a
// buffer of megabytes step by step costs more than the extra look at each poll record.
size_t SizeBound(const ChannelList &channels)
{
    size_t size = lfile::kPreambleSize + hdr::kSize + 7;
    for (const auto &c : channels) {
        size += tbl::kEntrySize + kChannelRecordSize + 7;
        for (const auto &d : c->Devices()) {
            size += tbl::kEntrySize + kDeviceRecordSize + 7;
            for (const auto &r : d->IORecs()) {
                std::array<uint8_t, kIORecRecordSize> record{};
                r->WriteRecord(record);
                size += pentry::kSize + kIORecRecordSize + 7 + AreaSizes(record);
            }
        }
    }
    return size + 2 * 7;
}

uint32_t OffsetFromHeader(const std::vector<uint8_t> &file)
{
    return static_cast<uint32_t>(file.size() - lfile::kHeaderPos);
}

void AppendZeros(std::vector<uint8_t> &file, size_t n)
{
    file.insert(file.end(), n, uint8_t{0});
}

template <size_t N> void Append(std::vector<uint8_t> &file, const std::array<uint8_t, N> &record)
{
    file.insert(file.end(), record.begin(), record.end());
}

} // namespace

void PadToEight(std::vector<uint8_t> &file)
{
    static constexpr char kPad[] = "GGGGGGGG";
    size_t rest = file.size() % 8;
    if (rest != 0)
        file.insert(file.end(), kPad, kPad + (8 - rest));
}

void PruneConfiguration(ChannelList &channels)
{
    while (!channels.empty()) {
        CChannel &last = *channels.back();
        DeleteDevicesWithoutPollRecords(last);
        if (last.DeviceCount() > 0)
            return;
        if (GetCurrentChannel() == &last)
            SetCurrentChannelOfTree(nullptr);
        channels.pop_back();
    }
}

ConfigImageResult BuildConfigImage(ChannelList &channels, uint32_t saveTime)
{
    ConfigImageResult result;
    result.error = CheckFits(channels);
    if (!result.error.empty())
        return result;

    PruneConfiguration(channels);
    std::vector<uint8_t> &file = result.bytes;
    file.reserve(SizeBound(channels));
    AppendZeros(file, lfile::kPreambleSize);

    std::array<uint8_t, hdr::kSize> header{};
    rec::PutU16(header, hdr::kChannelRecordSize, static_cast<uint16_t>(kChannelRecordSize));
    rec::PutU16(header, hdr::kDeviceRecordSize, static_cast<uint16_t>(kDeviceRecordSize));
    rec::PutU8(header, hdr::kChannelCount, static_cast<uint8_t>(channels.size()));
    rec::PutU32(header, hdr::kSaveTime, saveTime);
    rec::PutU32(header, hdr::kVersion, hdr::kVersionCurrent);
    AppendZeros(file, hdr::kSize); // written last, at its place

    // Channels, and the order of the devices that the file keeps.
    PadToEight(file);
    size_t channelTable = file.size();
    rec::PutU32(header, hdr::kChannelTable, OffsetFromHeader(file));
    AppendZeros(file, tbl::kEntrySize * channels.size());
    std::vector<CDevice *> deviceOrder;
    uint16_t devicesSoFar = 0, recordsSoFar = 0;
    for (size_t i = 0; i < channels.size(); ++i) {
        CChannel &channel = *channels[i];
        channel.SetLearnAddresses(false);
        PadToEight(file);
        rec::PutU32(file, channelTable + tbl::kEntrySize * i, OffsetFromHeader(file));
        std::array<uint8_t, kChannelRecordSize> record{};
        channel.WriteRecord(record);
        rec::PutU16(record, chan::kTransmitCount, 0);
        rec::PutU16(record, chan::kReceiveCount, 0);
        rec::PutU16(record, chan::kFirstDevice, devicesSoFar);
        rec::PutU16(record, chan::kFirstPollRecord, recordsSoFar);
        DeleteDevicesWithoutPollRecords(channel);
        uint16_t channelRecords = 0;
        for (const auto &d : channel.Devices()) {
            deviceOrder.push_back(d.get());
            ++devicesSoFar;
            channelRecords = static_cast<uint16_t>(channelRecords + d->IORecCount());
            recordsSoFar = static_cast<uint16_t>(recordsSoFar + d->IORecCount());
        }
        rec::PutU16(record, chan::kPollRecordCount, channelRecords);
        rec::PutU16(record, chan::kDeviceCount, static_cast<uint16_t>(channel.DeviceCount()));
        Append(file, record);
    }

    // Devices, and the order of the poll records.
    PadToEight(file);
    size_t deviceTable = file.size();
    rec::PutU32(header, hdr::kDeviceTable, OffsetFromHeader(file));
    AppendZeros(file, tbl::kEntrySize * deviceOrder.size());
    std::vector<std::pair<CIORec *, uint16_t>> recordOrder; // record, index of its device
    uint16_t recordIndex = 0;
    for (size_t j = 0; j < deviceOrder.size(); ++j) {
        CDevice &device = *deviceOrder[j];
        PadToEight(file);
        rec::PutU32(file, deviceTable + tbl::kEntrySize * j, OffsetFromHeader(file));
        std::array<uint8_t, kDeviceRecordSize> record{};
        device.WriteRecord(record);
        rec::PutU16(record, dev::kFirstPollRecord, recordIndex);
        rec::PutU16(record, dev::kPollRecordCount, static_cast<uint16_t>(device.IORecCount()));
        Append(file, record);
        rec::PutU8(header, hdr::kDeviceCount, static_cast<uint8_t>(j + 1));
        recordIndex = static_cast<uint16_t>(recordIndex + device.IORecCount());
        for (const auto &r : device.IORecs())
            recordOrder.emplace_back(r.get(), static_cast<uint16_t>(j));
    }

    // Poll records, each followed by its zero-filled data areas.
    PadToEight(file);
    size_t pollTable = file.size();
    rec::PutU32(header, hdr::kPollRecordTable, OffsetFromHeader(file));
    AppendZeros(file, pentry::kSize * recordOrder.size());
    for (size_t k = 0; k < recordOrder.size(); ++k) {
        auto [ioRec, deviceIndex] = recordOrder[k];
        std::array<uint8_t, kIORecRecordSize> record{};
        ioRec->WriteRecord(record);
        ioRec->SetRecordNumberValue(static_cast<int16_t>(k));
        PadToEight(file);
        auto entry = std::span<uint8_t>(file).subspan(pollTable + pentry::kSize * k, pentry::kSize);
        rec::PutU32(entry, pentry::kBlock, OffsetFromHeader(file));
        rec::PutI32(entry, pentry::kAccessTime, model::HundredthsTruncated(ioRec->GetAccessTime()));
        rec::PutU8(entry, pentry::kEnabled, rec::GetU8(record, prec::kPollEnabled) != 0 ? 1 : 0);
        rec::PutU32(entry, pentry::kReserved, 0);
        rec::PutU16(record, prec::kDeviceIndex, deviceIndex);
        Append(file, record);
        AppendZeros(file, AreaSizes(record));
        rec::PutU16(header, hdr::kPollRecordCount, static_cast<uint16_t>(k + 1));
    }

    if (file.size() > std::numeric_limits<uint32_t>::max()) {
        result.bytes.clear();
        result.error = "the configuration file would exceed 4 GiB";
        return result;
    }
    auto length = static_cast<uint32_t>(file.size());
    rec::PutU32(file, lfile::kLength, length);
    rec::PutU32(file, lfile::kLengthCopy, length);
    std::copy(header.begin(), header.end(), file.begin() + lfile::kHeaderPos);
    return result;
}
