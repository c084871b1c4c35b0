// Poll-record addresses, CSV lines and file records come from users, CSV files anyone may have edited,
// configuration files and the host database. The first byte picks the reader, the second the device's
// PLC type; the rest is the text or the record. Whatever is accepted must read back and write without
// fault, and a record must never hold more than its PLC type allows once its limits were checked.
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/model_message.h"
#include "model/siemens_address.h"
#include "model/tree_state.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace
{

constexpr uint16_t kPlcTypes[] = {kPlcS5,     kPlcS7_300,  kPlcTi,     kPlcS7_200,
                                  kPlcS7_400, kPlcS7_1200, kPlcS7_1500};

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// A device with two records, the way a configuration usually looks.
CDrvSpecificDevice *AddDevice(CDrvSpecificChannel &channel, uint16_t plcType)
{
    auto d = std::make_unique<CDrvSpecificDevice>(&channel);
    d->SetName("PLC1");
    d->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, plcType));
    auto *device = static_cast<CDrvSpecificDevice *>(channel.AddDevice(std::move(d)));
    channel.SetCurrentDevice(device);
    const char *starts[] = {"DB:1:0", "M0", "V:1", "M0", "M0", "M0", "M0"};
    for (int i = 0; i < 2; ++i) {
        auto r = std::make_unique<CDrvSpecificIORec>();
        r->SetDevice(device);
        r->ParseAddress(starts[plcType], 1);
        r->SetLengthValue(static_cast<uint16_t>(10 + 40 * i));
        r->ComputeEnd();
        device->AddIORec(std::move(r));
    }
    return device;
}

void Exercise(CDrvSpecificIORec &r)
{
    std::array<uint8_t, kIORecRecordSize> bytes{};
    r.WriteRecord(bytes);
    std::string line;
    r.WriteCsv(line, ",");
    r.ListRow(0);
    r.GetAddressText(1);
    r.GetAddressText(0);
    if (r.CheckLimits()) {
        auto limits = PlcRecordLimitsOf(r.GetPlcTypeValue());
        Check(!limits || r.GetLength() <= limits->maxLength);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static ScopedModelMessageRedirect quiet([](const std::string &) {});
    ResetPollRecordCount();
    ChannelList channels;
    PublishChannelList(&channels);
    channels.push_back(std::make_unique<CDrvSpecificChannel>());
    auto *channel = static_cast<CDrvSpecificChannel *>(channels.back().get());
    SetCurrentChannelOfTree(channel);
    uint16_t plcType = kPlcTypes[data[1] % std::size(kPlcTypes)];
    CDrvSpecificDevice *device = AddDevice(*channel, plcType);
    std::string_view text(reinterpret_cast<const char *>(data + 2), size - 2);

    switch (data[0] % 4) {
    case 0: { // an address typed by the user
        CDrvSpecificIORec r;
        r.SetDevice(device);
        if (r.ParseAddress(text, 1)) {
            r.ComputeLength();
            r.ParseAddress(text, 0);
            r.OverlapTest();
            // What a record shows as its start must parse back to the same start.
            CDrvSpecificIORec back;
            back.SetDevice(device);
            back.SetLengthValue(1);
            if (r.GetLength() != 0)
                Check(back.ParseAddress(r.GetAddressText(1), 1) == 1 &&
                      back.GetStartAddress() == r.GetStartAddress());
        }
        Exercise(r);
        break;
    }
    case 1: { // a CSV line
        CDrvSpecificIORec r;
        std::string_view cursor = text;
        bool ignored = false;
        bool ok = r.ReadCsv(cursor, ",", ignored);
        Check(ok != ignored);
        Check(ok || r.GetDevice() == nullptr);
        Exercise(r);
        break;
    }
    case 2: { // a file record
        std::array<uint8_t, kIORecRecordSize> bytes{};
        std::memcpy(bytes.data(), text.data(), std::min(text.size(), bytes.size()));
        CDrvSpecificIORec r;
        r.ReadRecord(bytes);
        Exercise(r);
        break;
    }
    default: { // learned addresses, one per line
        size_t count = device->IORecCount();
        size_t learnedAdded = 0;
        while (!text.empty()) {
            size_t end = text.find('\n');
            std::string_view one = text.substr(0, end);
            if (CDrvSpecificIORec::LearnAddress(one) == LearnResult::Added)
                ++learnedAdded;
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        }
        Check(device->IORecCount() == count + learnedAdded);
        for (const auto &rec : device->IORecs())
            Exercise(*static_cast<CDrvSpecificIORec *>(rec.get()));
        break;
    }
    }
    channels.clear();
    PublishChannelList(nullptr);
    return 0;
}
