#pragma once
// A published tree of Siemens channels, devices and poll records built for one test, with a scripted
// UI that records every message and answers questions.
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/tree_state.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class SiemensTreeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetPollRecordCount();
        PublishChannelList(&channels);
    }
    void TearDown() override
    {
        SetCurrentChannelOfTree(nullptr);
        channels.clear();
        PublishChannelList(nullptr);
        ResetPollRecordCount();
    }

    CDrvSpecificChannel *AddChannel()
    {
        channels.push_back(std::make_unique<CDrvSpecificChannel>());
        auto *channel = static_cast<CDrvSpecificChannel *>(channels.back().get());
        channel->SetChannelNumberValue(static_cast<uint16_t>(channels.size() - 1));
        return channel;
    }

    // A device of PLC type `plcTypeValue` named `name`, made its channel's current device.
    static CDrvSpecificDevice *AddDevice(CChannel *channel, const std::string &name,
                                         uint16_t plcTypeValue = kPlcS7_300)
    {
        auto owned = std::make_unique<CDrvSpecificDevice>(channel);
        EXPECT_EQ(owned->SetName(name), 0) << name;
        owned->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, plcTypeValue));
        auto *device = static_cast<CDrvSpecificDevice *>(channel->AddDevice(std::move(owned)));
        channel->SetCurrentDevice(device);
        return device;
    }

    // A poll record from `start` to `end` (start alone: the length the address implies, at least 1).
    static CDrvSpecificIORec *AddRecord(CDevice *device, const std::string &start,
                                        const std::string &end = "")
    {
        auto owned = std::make_unique<CDrvSpecificIORec>();
        owned->SetDevice(device);
        EXPECT_EQ(owned->ParseAddress(start, 1), 1) << start;
        owned->ComputeLength();
        if (!end.empty()) {
            EXPECT_EQ(owned->ParseAddress(end, 0), 1) << end;
            owned->ComputeLength();
        }
        return static_cast<CDrvSpecificIORec *>(device->AddIORec(std::move(owned)));
    }

    kvz::test::RecordingUi ui;
    ChannelList channels;
};
