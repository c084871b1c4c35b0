#include "frame_fixture.h"

#include "document/new_objects.h"
#include "model/channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_defaults.h"

#include <QApplication>

void FakeDriverImage::SetCounts(uint16_t tx, uint16_t rx)
{
    record[2] = static_cast<uint8_t>(tx & 0xFF);
    record[3] = static_cast<uint8_t>(tx >> 8);
    record[4] = static_cast<uint8_t>(rx & 0xFF);
    record[5] = static_cast<uint8_t>(rx >> 8);
}

FrameFixture::FrameFixture() : uiOwner_(std::make_unique<ScriptedUi>())
{
    ui = uiOwner_.get();
}

FrameFixture::~FrameFixture()
{
    frame_.reset();
}

void FrameFixture::Open()
{
    CMainFrame::DriverSources sources;
    sources.statistics.channelCount = [this] { return image.channels; };
    sources.statistics.mapChannel = [this](int16_t index) -> const uint8_t * {
        return index >= 0 && index < image.channels ? image.record : nullptr;
    };
    sources.messages = [this](std::string &text, uint16_t &code, int all) {
        saveLogAll = all != 0;
        if (ring.empty())
            return false;
        code = ring.front().first;
        text = ring.front().second;
        ring.pop_front();
        return true;
    };
    sources.clock = [this] { return now; };
    frame_ = std::make_unique<CMainFrame>(&doc_, std::move(sources));
    frame_->InitialUpdate();
    frame_->show();
    QApplication::setActiveWindow(frame_.get());
    QApplication::processEvents();
}

CChannel &FrameFixture::AddChannel()
{
    doc_.m_ChannelList.push_back(NewChannel());
    return *doc_.m_ChannelList.back();
}

CDrvSpecificDevice *FrameFixture::AddDevice(CChannel &channel, const std::string &name, int records)
{
    auto *device = static_cast<CDrvSpecificDevice *>(channel.AddDevice(NewDevice(&channel)));
    device->SetName(name);
    for (int i = 0; i < records; ++i) {
        auto record = NewPollRecordFor(device);
        record->ParseAddress("DB1,B" + std::to_string(i * 10), 1);
        record->ParseAddress("DB1,B" + std::to_string(i * 10 + 9), 0);
        record->ComputeLength();
        device->AddIORec(std::move(record));
    }
    return device;
}
