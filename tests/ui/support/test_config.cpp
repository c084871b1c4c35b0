#include "test_config.h"

#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/tree_state.h"

#include <QTest>
#include <memory>

TestConfig::TestConfig()
{
    ResetPollRecordCount();
}

TestConfig::~TestConfig()
{
    doc.DeleteContents();
}

CDrvSpecificChannel *TestConfig::AddChannel()
{
    auto channel = std::make_unique<CDrvSpecificChannel>();
    auto *raw = channel.get();
    doc.m_ChannelList.push_back(std::move(channel));
    raw->SetChannelNumberValue(static_cast<uint16_t>(doc.m_ChannelList.size() - 1));
    if (doc.m_ChannelList.size() == 1)
        doc.SetCurrentChannel(raw);
    return raw;
}

CDrvSpecificDevice *TestConfig::AddDevice(CDrvSpecificChannel *channel, uint16_t plcTypeValue,
                                          const std::string &name)
{
    auto device = std::make_unique<CDrvSpecificDevice>(channel);
    device->SetName(name);
    device->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, plcTypeValue));
    auto *raw = static_cast<CDrvSpecificDevice *>(channel->AddDevice(std::move(device)));
    channel->SetCurrentDevice(raw);
    return raw;
}

CDrvSpecificIORec *TestConfig::AddRecord(CDevice *device, const std::string &start, const std::string &length)
{
    auto record = std::make_unique<CDrvSpecificIORec>();
    record->SetDevice(device);
    [&] { QVERIFY2(record->ParseAddress(start, 1) == 1, start.c_str()); }();
    if (!length.empty()) {
        [&] { QVERIFY2(record->ParseAddress(start, 0) == 1, start.c_str()); }();
        [&] { QVERIFY2(record->SetLength(length) == 1, length.c_str()); }();
        [&] { QVERIFY2(record->ComputeEnd() == 1, start.c_str()); }();
    } else if (record->GetLength() == 0) {
        record->ComputeLength();
    }
    return static_cast<CDrvSpecificIORec *>(device->AddIORec(std::move(record)));
}
