#pragma once
// A published channel list with one TCP/IP channel (current) and helpers that add Siemens devices of a
// given PLC type and poll records on them.
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/tree_state.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class IORecTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetPollRecordCount();
        PublishChannelList(&channels);
        auto c = std::make_unique<CDrvSpecificChannel>();
        c->SetChannelNumberValue(0);
        channel = static_cast<CDrvSpecificChannel *>(c.get());
        channels.push_back(std::move(c));
        SetCurrentChannelOfTree(channel);
    }
    void TearDown() override
    {
        channels.clear();
        PublishChannelList(nullptr);
    }

    // A device of PLC type `plcTypeValue`, made the channel's current device.
    CDrvSpecificDevice *AddDevice(uint16_t plcTypeValue, const std::string &name = "PLC1")
    {
        auto d = std::make_unique<CDrvSpecificDevice>(channel);
        d->SetName(name);
        d->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, plcTypeValue));
        auto *device = static_cast<CDrvSpecificDevice *>(channel->AddDevice(std::move(d)));
        channel->SetCurrentDevice(device);
        return device;
    }

    // A record of `device` (not added) with the start address parsed from `start` and, when given,
    // the length set from `length` (else the length the address implies, at least 1).
    static std::unique_ptr<CDrvSpecificIORec> MakeRecord(CDevice *device, const std::string &start,
                                                         const std::string &length = "")
    {
        auto r = std::make_unique<CDrvSpecificIORec>();
        r->SetDevice(device);
        EXPECT_EQ(r->ParseAddress(start, 1), 1) << start;
        if (!length.empty()) {
            // As a CSV line sets it: the text is also the end address until the length moves it.
            EXPECT_EQ(r->ParseAddress(start, 0), 1) << start;
            EXPECT_EQ(r->SetLength(length), 1) << start << " length " << length;
            EXPECT_EQ(r->ComputeEnd(), 1) << start;
        } else if (r->GetLength() == 0) {
            r->ComputeLength();
        }
        return r;
    }

    static CDrvSpecificIORec *AddRecord(CDevice *device, const std::string &start,
                                        const std::string &length = "")
    {
        return static_cast<CDrvSpecificIORec *>(device->AddIORec(MakeRecord(device, start, length)));
    }

    kvz::test::RecordingUi ui;
    ChannelList channels;
    CDrvSpecificChannel *channel = nullptr;
};
