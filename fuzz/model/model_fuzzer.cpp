// Channel and device file records and CSV lines come from files anyone may have edited. The first
// byte picks the reader, the second the separator and protocol; the rest is the record or the line.
// Whatever is read must write back without fault.
#include "model/csv_fields.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/model_message.h"
#include "model/tree_state.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

template <size_t N> std::array<uint8_t, N> RecordFrom(const uint8_t *data, size_t size)
{
    std::array<uint8_t, N> r{};
    std::memcpy(r.data(), data, size < N ? size : N);
    return r;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static ScopedModelMessageRedirect quiet([](const std::string &) {});
    ChannelList channels;
    PublishChannelList(&channels);
    channels.push_back(std::make_unique<CDrvSpecificChannel>());
    auto *channel = static_cast<CDrvSpecificChannel *>(channels.back().get());
    channel->SetProtocolIndex(data[1] & 1);
    const uint8_t *body = data + 2;
    size_t bodySize = size - 2;
    std::string text(reinterpret_cast<const char *>(body), bodySize);
    std::string separator(1, static_cast<char>(data[1] >> 1 ? data[1] >> 1 : ','));
    std::string line;

    switch (data[0] % 5) {
    case 0: {
        auto record = RecordFrom<kChannelRecordSize>(body, bodySize);
        channel->ReadRecord(record);
        std::array<uint8_t, kChannelRecordSize> out;
        channel->WriteRecord(out);
        CDrvSpecificChannel again;
        Check(again.ReadRecord(out) == 0); // written records leave the envelope fields to the file writer
        channel->WriteCsv(line, separator);
        break;
    }
    case 1: {
        auto record = RecordFrom<kDeviceRecordSize>(body, bodySize);
        CDrvSpecificDevice device(channel);
        device.ReadRecord(record, data[1] & 2);
        std::array<uint8_t, kDeviceRecordSize> out;
        device.WriteRecord(out);
        device.WriteCsv(line, separator);
        break;
    }
    case 2: {
        std::string_view cursor = text;
        bool ignored = false;
        CDrvSpecificChannel c;
        c.ReadCsv(cursor, separator, ignored);
        c.WriteCsv(line, separator);
        std::array<uint8_t, kChannelRecordSize> out;
        c.WriteRecord(out);
        break;
    }
    case 3: {
        std::string_view cursor = text;
        bool ignored = false;
        CDrvSpecificDevice d(channel);
        d.ReadCsv(cursor, separator, ignored);
        d.WriteCsv(line, separator);
        std::array<uint8_t, kDeviceRecordSize> out;
        d.WriteRecord(out);
        break;
    }
    default: {
        std::string_view cursor = text;
        size_t before = cursor.size() + 1;
        while (auto field = NextCsvField(cursor, separator)) {
            Check(cursor.size() < before); // every field moves the cursor on
            before = cursor.size();
            // A field that can stand on a line of its own reads back unchanged once quoted.
            bool plain = !field->empty() && field->find_first_of("\r\n") == std::string::npos &&
                         std::string_view(" \t\v\f").find(field->front()) == std::string_view::npos;
            if (plain) {
                std::string quoted = QuoteCsvField(*field, separator);
                std::string_view back = quoted;
                Check(NextCsvField(back, separator) == *field);
            }
        }
        break;
    }
    }
    PublishChannelList(nullptr);
    return 0;
}
