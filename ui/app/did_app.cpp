#include "ui/app/did_app.h"

#include "document/app_settings.h"
#include "document/did_doc.h"
#include "import/host_import.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/paths.h"
#include "ui/app/qt_ui_services.h"
#include "ui/app/single_instance.h"
#include "ui/frame/main_frame.h"
#include "ui/views/cfg_dlg.h"

#include <QApplication>
#include <QPalette>
#include <unistd.h>

namespace
{
constexpr size_t kPathBuffer = 261;
} // namespace

CDidApp::CDidApp(std::unique_ptr<QtUiServices> ui)
    : ui_(ui ? std::move(ui) : std::make_unique<QtUiServices>())
{
}

CDidApp::~CDidApp()
{
    frame_.reset();
    doc_.reset();
    ui_.reset();
}

bool CDidApp::InitInstance()
{
    // A configurator already registered with the driver takes over; a stale registration is ignored.
    const uint32_t owner = nio_get_owner_window();
    const uint32_t self = static_cast<uint32_t>(::getpid());
    if (owner != 0 && owner != self && IsLiveConfigurator(owner) && HandOverTo(owner)) {
        handedOver_ = true;
        return false;
    }

    settingsPath_ = SettingsFilePath();
    doc_ = std::make_unique<CDidDoc>();
    doc_->SetAddressImporter([](const std::string &path) { hostdb::Import(path); });
    const std::vector<std::string> recent = LoadRecentFiles(settingsPath_);
    for (auto it = recent.rbegin(); it != recent.rend(); ++it)
        doc_->AddToRecentFileList(*it);

    KeepGreyTextReadable();
    frame_ = std::make_unique<CMainFrame>(doc_.get());
    OpenStartupFile();
    frame_->InitialUpdate();
    frame_->show();
    frame_->activateWindow();
    frame_->ConfigView()->FocusDeviceName();
    frame_->Tick();

    server_ = std::make_unique<InstanceServer>();
    connect(server_.get(), &InstanceServer::bringForwardRequested, frame_.get(), &CMainFrame::BringForward);
    server_->Listen();
    nio_set_owner_window(self);
    return true;
}

void CDidApp::OpenStartupFile()
{
    if (!startupFile_.empty()) {
        if (kvz::PathExists(startupFile_))
            doc_->OnOpenDocument(startupFile_);
        return;
    }
    char path[kPathBuffer] = {};
    if (GetConfigFilePath(path, sizeof path) && path[0] != '\0' && kvz::PathExists(path))
        doc_->OnOpenDocument(path);
}

void CDidApp::KeepGreyTextReadable()
{
    // Disabled text in the grey of the forms would vanish on them: darken it.
    QPalette palette = QApplication::palette();
    bool changed = false;
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        if (palette.color(QPalette::Disabled, role) == QColor(192, 192, 192)) {
            palette.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
            changed = true;
        }
    }
    if (changed)
        QApplication::setPalette(palette);
}

int CDidApp::ExitInstance(int result)
{
    if (!handedOver_) {
        nio_set_owner_window(0);
        WriteConfigValue(kvz::ProductKeyPath().c_str(), nullptr, kvz::kDriverIdentity.acronym, "0000");
        if (doc_)
            SaveRecentFiles(settingsPath_, doc_->GetRecentFiles());
    }
    return result;
}
