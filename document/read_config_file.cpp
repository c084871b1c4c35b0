#include "document/did_doc.h"
#include "document/doc_strings.h"
#include "document/new_objects.h"
#include "model/channel.h"
#include "model/device.h"
#include "model/iorec.h"
#include "model/record_bytes.h"
#include "platform/record_layout.h"
#include "platform/ui_services.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hdr = layout::header;
namespace dev = layout::device;
namespace pentry = layout::pollentry;
namespace tbl = layout::table;
namespace lfile = layout::file;

namespace
{

enum class ReadResult { Done, Corrupt, IoError };

#define KVZ_TRY_LOAD(expr)                                                                                   \
    do {                                                                                                     \
        ReadResult r_ = (expr);                                                                              \
        if (r_ != ReadResult::Done)                                                                          \
            return r_;                                                                                       \
    } while (0)

// The file being read, taken into memory with one read. Every read must lie inside both the stored
// file length and the real file; anything else marks the file corrupt before a byte is taken.
class ConfigSource
{
public:
    // Reads the file up to its stored length (the data areas after the last record included, as the
    // driver loads it); a failing read is an I/O error, a file shorter than its header is corrupt.
    ReadResult Load(int fd, uint64_t actualSize)
    {
        uint64_t wanted = std::min<uint64_t>(actualSize, lfile::kHeaderPos + hdr::kSize);
        KVZ_TRY_LOAD(ReadAt(fd, 0, wanted));
        if (bytes_.size() >= lfile::kLength + sizeof(uint32_t)) {
            uint64_t stored = rec::GetU32(bytes_, lfile::kLength);
            wanted = std::max<uint64_t>(wanted, std::min(actualSize, stored));
            KVZ_TRY_LOAD(ReadAt(fd, bytes_.size(), wanted - bytes_.size()));
            limit_ = std::min<uint64_t>(stored, bytes_.size());
        }
        return ReadResult::Done;
    }

    // The header is read from the real file; tables and records must also lie within the stored length.
    ReadResult ReadHeader(std::span<uint8_t> out) const
    {
        return ReadWithin(bytes_.size(), lfile::kHeaderPos, out);
    }
    ReadResult Read(uint64_t pos, std::span<uint8_t> out) const { return ReadWithin(limit_, pos, out); }
    // The `size` bytes at `pos` in place (no copy: there are tens of thousands of poll records), or
    // null under the same rule as Read.
    const uint8_t *BytesAt(uint64_t pos, size_t size) const
    {
        if (pos > limit_ || size > limit_ - pos)
            return nullptr;
        return bytes_.data() + pos;
    }

private:
    ReadResult ReadWithin(uint64_t limit, uint64_t pos, std::span<uint8_t> out) const
    {
        if (pos > limit || out.size() > limit - pos)
            return ReadResult::Corrupt;
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(pos), out.size(), out.begin());
        return ReadResult::Done;
    }

    ReadResult ReadAt(int fd, uint64_t pos, uint64_t count)
    {
        size_t start = bytes_.size();
        if (start + count > capacity_) { // the buffer is not cleared first: every byte is read into it
            auto bigger = std::make_unique_for_overwrite<uint8_t[]>(start + count);
            std::copy_n(bytes_.data(), start, bigger.get());
            buffer_ = std::move(bigger);
            capacity_ = start + count;
        }
        bytes_ = std::span<uint8_t>(buffer_.get(), start + count);
        size_t done = 0;
        while (done < count) {
            ssize_t n =
                ::pread(fd, bytes_.data() + start + done, count - done, static_cast<off_t>(pos + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return ReadResult::IoError;
            done += static_cast<size_t>(n);
        }
        return ReadResult::Done;
    }

    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_ = 0;
    std::span<uint8_t> bytes_; // what was read so far
    uint64_t limit_ = 0;
};

#define KVZ_TRY(expr)                                                                                        \
    do {                                                                                                     \
        ReadResult r_ = (expr);                                                                              \
        if (r_ != ReadResult::Done)                                                                          \
            return r_;                                                                                       \
    } while (0)

void ShowCorruptBox(const char *text)
{
    kvz::MessageRequest box;
    box.text = text;
    box.caption = doctext::kCorruptCaption;
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::None;
    kvz::Ui().ShowMessage(box);
}

void ShowOlderFormatWarning(int16_t deviceRecordSize)
{
    char caption[32];
    std::snprintf(caption, sizeof caption, doctext::kOlderFormatCaption, deviceRecordSize);
    kvz::MessageRequest box;
    box.text = doctext::kOlderFormatText;
    box.caption = caption;
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::Stop;
    kvz::Ui().ShowMessage(box);
}

// A table of the file: `count` entries of `entrySize` bytes at H + `offset`. Each entry may be used
// once: a file that lets several devices share one record could make the reader build millions of
// objects from a few bytes.
struct Table {
    std::vector<uint8_t> bytes;
    std::vector<bool> used;
    size_t entrySize = 0;

    ReadResult Load(const ConfigSource &src, uint32_t offset, size_t count, size_t size)
    {
        entrySize = size;
        bytes.assign(count * size, 0);
        used.assign(count, false);
        return src.Read(uint64_t{lfile::kHeaderPos} + offset, bytes);
    }
    size_t Count() const { return used.size(); }
    // The entry at `index` when it exists and was not used yet.
    std::optional<std::span<const uint8_t>> Take(long index)
    {
        if (index < 0 || static_cast<size_t>(index) >= Count() || used[static_cast<size_t>(index)])
            return std::nullopt;
        used[static_cast<size_t>(index)] = true;
        return std::span<const uint8_t>(bytes).subspan(static_cast<size_t>(index) * entrySize, entrySize);
    }
};

class ConfigReader
{
public:
    ConfigReader(CDidDoc &doc, ConfigSource &src) : doc_(doc), src_(src) {}

    ReadResult Run()
    {
        ConfigSource &src = src_;
        KVZ_TRY(src.ReadHeader(header_));

        int16_t deviceRecordSize = rec::GetI16(header_, hdr::kDeviceRecordSize);
        int16_t channelRecordSize = rec::GetI16(header_, hdr::kChannelRecordSize);
        if (deviceRecordSize != static_cast<int16_t>(kDeviceRecordSize) ||
            channelRecordSize != static_cast<int16_t>(kChannelRecordSize))
            ShowOlderFormatWarning(deviceRecordSize);
        olderLayout_ = rec::GetU32(header_, hdr::kVersion) != hdr::kVersionCurrent;

        auto channelCount = static_cast<int8_t>(rec::GetU8(header_, hdr::kChannelCount));
        uint8_t deviceCount = rec::GetU8(header_, hdr::kDeviceCount);
        int16_t pollRecordCount = rec::GetI16(header_, hdr::kPollRecordCount);
        if (channelCount < 0 || pollRecordCount < 0)
            return ReadResult::Corrupt;
        KVZ_TRY(channels_.Load(src, rec::GetU32(header_, hdr::kChannelTable),
                               static_cast<size_t>(channelCount), tbl::kEntrySize));
        KVZ_TRY(devices_.Load(src, rec::GetU32(header_, hdr::kDeviceTable), deviceCount, tbl::kEntrySize));
        KVZ_TRY(pollRecords_.Load(src, rec::GetU32(header_, hdr::kPollRecordTable),
                                  static_cast<size_t>(pollRecordCount), pentry::kSize));

        for (size_t i = 0; i < channels_.Count(); ++i)
            KVZ_TRY(ReadChannel(i));
        return ReadResult::Done;
    }

private:
    static uint64_t Position(uint32_t offsetFromHeader)
    {
        return uint64_t{offsetFromHeader} + lfile::kHeaderPos;
    }

    ReadResult ReadChannel(size_t i)
    {
        auto entry = channels_.Take(static_cast<long>(i));
        uint64_t pos = Position(rec::GetU32(*entry, 0));
        std::array<uint8_t, kChannelRecordSize> record{};
        KVZ_TRY(src_.Read(pos, record));

        std::unique_ptr<CChannel> owned = NewChannel();
        CChannel *channel = owned.get();
        doc_.SetCurrentChannel(channel);
        doc_.m_ChannelList.push_back(std::move(owned));
        channel->SetChannelNumberValue(static_cast<uint16_t>(i));
        uint32_t devices = channel->ReadRecord(record);
        unsigned firstDevice = (devices >> 16) & 0xFF;
        unsigned deviceCount = devices & 0xFF;
        for (unsigned j = 0; j < deviceCount; ++j)
            KVZ_TRY(ReadDevice(*channel, static_cast<long>(firstDevice + j)));
        return ReadResult::Done;
    }

    ReadResult ReadDevice(CChannel &channel, long index)
    {
        auto entry = devices_.Take(index);
        if (!entry)
            return ReadResult::Corrupt;
        std::array<uint8_t, kDeviceRecordSize> record{};
        KVZ_TRY(src_.Read(Position(rec::GetU32(*entry, 0)), record));

        CDevice *device = channel.AddDevice(NewDevice(&channel));
        channel.SetCurrentDevice(device);
        device->ReadRecord(record, olderLayout_);
        int16_t first = rec::GetI16(record, dev::kFirstPollRecord);
        uint16_t count = rec::GetU16(record, dev::kPollRecordCount);
        for (uint16_t k = 0; k < count; ++k)
            KVZ_TRY(ReadPollRecord(*device, long{first} + k));
        return ReadResult::Done;
    }

    ReadResult ReadPollRecord(CDevice &device, long index)
    {
        auto entry = pollRecords_.Take(index);
        if (!entry)
            return ReadResult::Corrupt;
        const uint8_t *bytes = src_.BytesAt(Position(rec::GetU32(*entry, pentry::kBlock)), kIORecRecordSize);
        if (!bytes)
            return ReadResult::Corrupt;
        IORecRecordView record(bytes, kIORecRecordSize);

        std::unique_ptr<CIORec> ioRec = NewIORec();
        ioRec->ReadRecord(record); // joins the current device of the current channel
        ioRec->SetDevice(&device);
        ioRec->SetRecordNumberValue(static_cast<int16_t>(index));
        device.AddIORec(std::move(ioRec));
        return ReadResult::Done;
    }

    CDidDoc &doc_;
    ConfigSource &src_;
    std::array<uint8_t, hdr::kSize> header_{};
    bool olderLayout_ = false;
    Table channels_, devices_, pollRecords_;
};

#undef KVZ_TRY
#undef KVZ_TRY_LOAD

} // namespace

void CDidDoc::ReadConfigFile(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {
    };
    ReadResult result = ReadResult::IoError;
    if (::fstat(fd, &st) == 0) {
        ConfigSource src;
        result = src.Load(fd, static_cast<uint64_t>(st.st_size));
        if (result == ReadResult::Done) {
            ConfigReader reader(*this, src);
            result = reader.Run();
        }
    }
    ::close(fd);

    if (result == ReadResult::IoError) {
        ShowCorruptBox(doctext::kOpenError);
        DeleteContents();
    }
    if (result != ReadResult::Done) {
        ShowCorruptBox(doctext::kReadError);
        DeleteContents();
        return;
    }
    m_strTitle = path;
    m_strPathName = path;
    AddToRecentFileList(path);
}
