#pragma once
// The configurator's application object: at start-up it hands over to a running configurator or
// starts itself (settings file, document, frame with its views, the startup configuration) and
// registers its window with the driver's control block; at exit it withdraws that registration.
#include <QObject>
#include <memory>
#include <string>

class CDidDoc;
class CMainFrame;
class InstanceServer;
#include "ui/app/qt_ui_services.h"

class CDidApp : public QObject
{
    Q_OBJECT
public:
    // `ui` answers the boxes (tests give a scripted one); the Qt one by default.
    explicit CDidApp(std::unique_ptr<QtUiServices> ui = nullptr);
    ~CDidApp() override;

    // A file the desktop's launcher names (a configuration opened from the file manager) takes the
    // place of the registry's "ConfigFile" for this start only; the registry is not written. Set
    // before InitInstance.
    void SetStartupFile(std::string path) { startupFile_ = std::move(path); }

    // False when this copy handed over to a running configurator (it then opens no window).
    bool InitInstance();
    // Withdraws the registration unless this copy handed over; gives the exit code.
    int ExitInstance(int result);

    bool HandedOver() const { return handedOver_; }
    CDidDoc *Document() const { return doc_.get(); }
    CMainFrame *MainFrame() const { return frame_.get(); }
    const std::string &SettingsPath() const { return settingsPath_; }

private:
    void OpenStartupFile();
    static void KeepGreyTextReadable();

    bool handedOver_ = false;
    std::string settingsPath_;
    std::string startupFile_;
    std::unique_ptr<QtUiServices> ui_;
    std::unique_ptr<CDidDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<InstanceServer> server_;
};
