#pragma once
// A configurator window on a document, as the application builds it, but with the driver replaced by
// what the test gives: channel statistics, the message ring, the clock and the live status words.
#include "document/did_doc.h"
#include "gui_env.h"
#include "model/live_status.h"
#include "scripted_ui.h"
#include "ui/frame/main_frame.h"

#include <QString>
#include <deque>
#include <map>
#include <memory>

class CDrvSpecificDevice;
class CChannel;

// Live status words by image index, as a running driver would give them.
class FakeLiveStatus : public ILiveStatusSource
{
public:
    FakeLiveStatus() { SetLiveStatusSource(this); }
    ~FakeLiveStatus() override { SetLiveStatusSource(nullptr); }
    long ImagePollRecordCount() override { return count; }
    uint16_t ImageStatusWord(long index) override
    {
        auto it = words.find(index);
        return it == words.end() ? 0 : it->second;
    }
    long count = 0;
    std::map<long, uint16_t> words;
};

// A channel record the statistics read, and the channel count of the image.
struct FakeDriverImage {
    int16_t channels = 0;
    uint8_t record[384] = {};
    void SetCounts(uint16_t tx, uint16_t rx);
};

class FrameFixture
{
public:
    FrameFixture();
    ~FrameFixture();

    // Builds the window (views updated, shown).
    void Open();
    CMainFrame &Frame() { return *frame_; }
    CDidDoc &Doc() { return doc_; }
    // Child widgets by their object name.
    template <class W> W *Find(const QString &name) const { return frame_->findChild<W *>(name); }

    // Configuration helpers: a device on `channel` named `name` of PLC type row `plcTypeIndex` with
    // `records` poll records ("DB1.DBB0" style addresses, 10 bytes apart).
    CDrvSpecificDevice *AddDevice(CChannel &channel, const std::string &name, int records = 0);
    CChannel &AddChannel();

    GuiEnv env;
    ScriptedUi *ui = nullptr; // owned below
    FakeLiveStatus live;
    FakeDriverImage image;
    std::deque<std::pair<uint16_t, std::string>> ring;
    bool saveLogAll = false;
    std::time_t now = 0;

private:
    std::unique_ptr<ScriptedUi> uiOwner_;
    CDidDoc doc_;
    std::unique_ptr<CMainFrame> frame_;
};
