#pragma once
// A published channel list with one TCP/IP channel (current), a folder for the tables and every
// nio_log line the import writes.
#include "dbf_tools.h"
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/tree_state.h"
#include "niolib/nio_support.h"
#include "recording_ui.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class ImportTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetPollRecordCount();
        PublishChannelList(&channels);
        channel = AddChannel();
        SetCurrentChannelOfTree(channel);
        nio::SetLogObserver(
            [this](uint16_t level, const std::string &text) { log.emplace_back(level, text); });
    }
    void TearDown() override
    {
        nio::SetLogObserver(nullptr);
        channels.clear();
        PublishChannelList(nullptr);
        ResetPollRecordCount();
    }

    CDrvSpecificChannel *AddChannel()
    {
        auto c = std::make_unique<CDrvSpecificChannel>();
        c->SetChannelNumberValue(static_cast<uint16_t>(channels.size()));
        auto *added = c.get();
        channels.push_back(std::move(c));
        return added;
    }

    CDrvSpecificDevice *AddDevice(CChannel *on, const std::string &name, uint16_t plcTypeValue = 1)
    {
        auto d = std::make_unique<CDrvSpecificDevice>(on);
        d->SetName(name);
        d->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, plcTypeValue));
        return static_cast<CDrvSpecificDevice *>(on->AddDevice(std::move(d)));
    }

    // "start-end/length" of every poll record of `device`, in list order.
    static std::vector<std::string> Records(const CDevice &device)
    {
        std::vector<std::string> out;
        for (const auto &r : device.IORecs()) {
            auto *rec = static_cast<const CDrvSpecificIORec *>(r.get());
            out.push_back(rec->GetAddressText(1) + "-" + rec->GetAddressText(0) + "/" +
                          std::to_string(rec->GetLength()));
        }
        return out;
    }

    // The texts of the level-23 lines, in order.
    std::vector<std::string> InfoLines() const
    {
        std::vector<std::string> out;
        for (const auto &[level, text] : log)
            if (level == 23)
                out.push_back(text);
        return out;
    }

    kvz::test::RecordingUi ui;
    kvz::test::TempDir dir;
    ChannelList channels;
    CDrvSpecificChannel *channel = nullptr;
    std::vector<std::pair<uint16_t, std::string>> log;
};
