// Times the configurator's window on the largest configuration the file format allows (16 channels,
// 255 devices, 32767 poll records, 32513 of them on one device): open to first paint, switching
// channel, selecting the device with the most records, and the one-second tick with every row changed
// and with nothing changed. Runs offscreen; prints a table; never fails.
#include "document/did_doc.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/live_status.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "ui/app/qt_ui_services.h"
#include "ui/frame/main_frame.h"
#include "ui/views/cfg_dlg.h"

#include <QApplication>
#include <QListWidget>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kChannels = 16;
constexpr int kDevices = 255;
constexpr int kPollRecords = 32767;
constexpr int kRuns = 7;
constexpr int kMaxImageDevices = 253;

// Median of kRuns runs of `work`, in milliseconds; `before` runs untimed ahead of each.
double Millis(const std::function<void()> &work, const std::function<void()> &before = {})
{
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        if (before)
            before();
        auto start = std::chrono::steady_clock::now();
        work();
        runs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(runs.begin(), runs.end());
    return runs[kRuns / 2];
}

class ToggledStatus : public ILiveStatusSource
{
public:
    long ImagePollRecordCount() override { return kPollRecords; }
    uint16_t ImageStatusWord(long) override { return word; }
    uint16_t word = 0;
};

// `deviceCount` devices; the driver image reader takes at most 253.
void WriteLargest(const std::string &path, int deviceCount = kDevices)
{
    CDidDoc doc;
    std::vector<CDevice *> devices;
    for (int c = 0; c < kChannels; ++c) {
        doc.m_ChannelList.push_back(std::make_unique<CDrvSpecificChannel>());
        CChannel *channel = doc.m_ChannelList.back().get();
        doc.SetCurrentChannel(channel);
        for (int d = c; d < deviceCount; d += kChannels) {
            auto device = std::make_unique<CDrvSpecificDevice>(channel);
            device->SetName("PLC" + std::to_string(d));
            devices.push_back(channel->AddDevice(std::move(device)));
        }
    }
    // Every device keeps one record; the rest are on PLC0, the first device of channel 1.
    for (int k = 0; k < kPollRecords; ++k) {
        CDevice *device = k < deviceCount ? devices[static_cast<size_t>(k)] : devices.front();
        auto rec = std::make_unique<CDrvSpecificIORec>();
        rec->SetDevice(device);
        const int slot = k < deviceCount ? 0 : k - deviceCount + 1;
        rec->ParseAddress("DB1,B" + std::to_string(slot * 4), 1);
        rec->ParseAddress("DB1,B" + std::to_string(slot * 4 + 3), 0);
        rec->ComputeLength();
        device->AddIORec(std::move(rec));
    }
    doc.WriteConfigFile(path);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtUiServices ui;
    const std::string path = (std::filesystem::temp_directory_path() / "kvz-ui-bench.KVZ").string();
    WriteLargest(path);

    ToggledStatus live;
    SetLiveStatusSource(&live);
    CMainFrame::DriverSources offline;
    offline.statistics.channelCount = [] { return int16_t(kChannels); };
    static uint8_t record[384] = {};
    offline.statistics.mapChannel = [](int16_t) -> const uint8_t * { return record; };
    offline.messages = [](std::string &, uint16_t &, int) { return false; };

    std::unique_ptr<CDidDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    const double open = Millis(
        [&] {
            doc = std::make_unique<CDidDoc>();
            doc->OnOpenDocument(path);
            frame = std::make_unique<CMainFrame>(doc.get(), offline);
            frame->InitialUpdate();
            frame->show();
            frame->repaint();
        },
        [&] {
            frame.reset();
            doc.reset();
        });
    std::printf("records on the shown device: %d\n",
                frame->ConfigView()->PollRecordList()->model()->rowCount());

    CCfgDlg *view = frame->ConfigView();
    const double toLight = Millis(
        [&] {
            view->OnSelectChannel(2);
            frame->repaint();
        },
        [&] { view->OnSelectChannel(1); });
    const double toHeavy = Millis(
        [&] {
            view->OnSelectChannel(1);
            frame->repaint();
        },
        [&] { view->OnSelectChannel(2); });

    auto *devices = frame->findChild<QListWidget *>(QStringLiteral("2004"));
    const double selectHeavy = Millis(
        [&] {
            devices->setCurrentRow(0);
            frame->repaint();
        },
        [&] { devices->setCurrentRow(1); });
    devices->setCurrentRow(0);

    const double tickAll = Millis([&] {
        live.word = live.word == 0 ? 4293 : 0;
        frame->Tick();
        frame->repaint();
    });
    const double tickNone = Millis([&] {
        frame->Tick();
        frame->repaint();
    });

    // The same ticks against a running stand-in driver's image: status words read through NIOLIB.
    double realAll = -1, realNone = -1;
    const std::string spoll =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "KVZSPOLL";
    if (std::filesystem::exists(spoll)) {
        // The driver link's error boxes would wait for a click: here they go to stderr.
        kvz::StderrUi quiet;
        kvz::IUiServices *shown = kvz::SetUi(&quiet);
        SetLiveStatusSource(nullptr);
        const auto root =
            std::filesystem::temp_directory_path() / ("kvz-ui-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "user");
        std::filesystem::create_directories(root / "machine");
        ::setenv("KVZ_REGISTRY_USER", (root / "user").c_str(), 1);
        ::setenv("KVZ_REGISTRY_MACHINE", (root / "machine").c_str(), 1);
        ::setenv("KVZ_SHM_NAMESPACE", ("kvzuibench" + std::to_string(::getpid())).c_str(), 1);
        const std::string imagePath = (root / "IMAGE.KVZ").string();
        WriteLargest(imagePath, kMaxImageDevices);
        kvz::RegWriteString(kvz::Hive::CurrentUser, kvz::ConfigKeyPath(), "ConfigFile", imagePath);
        kvz::RegWriteString(kvz::Hive::CurrentUser, kvz::ConfigKeyPath(), "DriverExe", spoll);
        kvz::SpawnResult engine = kvz::SpawnProcess(spoll, {});
        bool up = false;
        for (int i = 0; i < 200 && !up; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            up = nio_map_hdr() != nullptr && nio_rec_count() == kPollRecords;
        }
        if (up) {
            doc->OnOpenDocument(imagePath);
            frame->ConfigView()->OnUpdate(1);
            frame->Tick();
            realNone = Millis([&] { frame->Tick(); });
            // Every status word rewritten between two ticks, as a driver whose records all changed.
            realAll = Millis([&] { frame->Tick(); },
                             [&] {
                                 for (int16_t i = 0; i < kPollRecords; ++i)
                                     if (uint8_t *block = nio_map_dit(i))
                                         block[0] ^= 1;
                             });
        }
        if (engine.pid > 0) {
            ::kill(engine.pid, SIGTERM);
            kvz::WaitProcess(engine.pid);
        }
        std::filesystem::remove_all(root);
        kvz::SetUi(shown);
    }

    std::printf("%-52s %10s\n", "step (median of 7, offscreen)", "ms");
    std::printf("%-52s %10.1f\n", "open the file to the first paint", open);
    std::printf("%-52s %10.1f\n", "switch to a channel of 16 light devices", toLight);
    std::printf("%-52s %10.1f\n", "switch to the channel of the 32513-record device", toHeavy);
    std::printf("%-52s %10.1f\n", "select the 32513-record device", selectHeavy);
    std::printf("%-52s %10.1f\n", "tick, every row's status changed", tickAll);
    std::printf("%-52s %10.1f\n", "tick, nothing changed", tickNone);
    if (realNone >= 0) {
        std::printf("%-52s %10.1f\n", "tick on a driver's image (253 devices), no change", realNone);
        std::printf("%-52s %10.1f\n", "tick on a driver's image (253 devices), all changed", realAll);
    }
    frame.reset();
    doc.reset();
    SetLiveStatusSource(nullptr);
    std::filesystem::remove(path);
    return 0;
}
