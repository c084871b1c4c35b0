#include "setup/install_driver.h"

#include "platform/paths.h"
#include "platform/registry.h"
#include "setup/directory_ids.h"
#include "setup/file_copy.h"
#include "setup/file_queue.h"
#include "setup/inf_file.h"
#include "setup/inf_install.h"
#include "setup/install_names.h"
#include "setup/known_folders.h"
#include "setup/media_paths.h"
#include "setup/opc_registration.h"
#include "setup/setup_messages.h"
#include "setup/shared_dlls.h"
#include "setup/shell_link.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

namespace kvz::setup
{
namespace
{

// Keeps an existing target that was written later than the file on the media; everything else is
// the default callback's business.
class KeepNewerTargetCallback : public IQueueCallback
{
public:
    explicit KeepNewerTargetCallback(IQueueCallback &fallback) : fallback_(fallback) {}
    CopyDecision OnTargetExists(const QueuedCopy &copy) override
    {
        auto target = LastWriteTime(copy.target);
        auto source = LastWriteTime(copy.source);
        if (target && source && IsLater(*target, *source))
            return CopyDecision::Skip;
        return CopyDecision::Copy;
    }
    void OnCopyError(const QueuedCopy &copy, int error) override { fallback_.OnCopyError(copy, error); }

private:
    IQueueCallback &fallback_;
};

std::string Text(const char *s)
{
    return s ? std::string(s) : std::string();
}

void QueueFiles(const InfFile &inf, const DirectoryIds &dirids, const std::string &media, bool scadaNode,
                FileQueue &queue)
{
    if (scadaNode) {
        SectionResult scada =
            QueueInfSectionFiles(inf, kScadaNodeSection, dirids, media, kCopyNoOverwrite, queue);
        if (!scada.ok) {
            ShowSetupErrorWithCode("Failed to process Scada node files", scada.error);
        } else if (SectionResult view =
                       QueueInfSectionFiles(inf, kViewNodeSection, dirids, media, kCopyNoOverwrite, queue);
                   !view.ok) {
            ShowSetupErrorWithCode("Failed to process View node files", view.error);
        }
    } else if (SectionResult view =
                   QueueInfSectionFiles(inf, kViewNodeSection, dirids, media, kCopyNoOverwrite, queue);
               !view.ok) {
        ShowSetupErrorWithCode("Failed to process View node files", view.error);
    }
    if (SectionResult sys = QueueInfSectionFiles(inf, kSystemSection, dirids, media, kCopyForceNewer, queue);
        !sys.ok)
        ShowSetupErrorWithCode("Failed to process System files", sys.error);
}

void ApplyRegistry(const InfFile &inf, const DirectoryIds &dirids, bool scadaNode)
{
    if (!ApplyInfSectionRegistry(inf, kProductSection, dirids).ok)
        ShowInfError("Failed to do registry stuff");
    if (scadaNode) {
        if (!ApplyInfSectionRegistry(inf, kScadaNodeSection, dirids).ok)
            ShowInfError("Failed to add scada registry info");
    } else if (!ApplyInfSectionRegistry(inf, kViewNodeSection, dirids).ok) {
        ShowInfError("Failed to add view registry info");
    }
}

// The Start-menu folder, its registry value and the two shortcuts; failures are not reported.
void CreateShortcuts(const std::string &installDir, const char *folderNameGiven)
{
    std::string programs = CommonProgramsDirectory();
    if (programs.empty())
        return;
    std::string folderName = NormalizeFolder(folderNameGiven);
    std::string startMenu = StartMenuFolder(programs, folderName);
    if (FitsPath(startMenu)) {
        std::error_code ec;
        std::filesystem::create_directories(startMenu, ec);
    }
    RegWriteString(Hive::LocalMachine, ProductKey(), kFolderNameValue, folderNameGiven);

    std::string link = ConfiguratorLinkPath(programs, folderName);
    std::string target = ConfiguratorPath(installDir);
    if (FitsPath(link) && FitsPath(target))
        CreateLink(target, link, ConfiguratorDescription(), true);
    std::string helpLink = ConfiguratorHelpLinkPath(programs, folderName);
    std::string helpTarget = ConfiguratorHelpPath(installDir);
    if (FitsPath(helpLink) && FitsPath(helpTarget))
        CreateLink(helpTarget, helpLink, ConfiguratorHelpDescription(), false);
}

void AddOpcDllReferences()
{
    std::string system = SystemDirectory();
    if (system.empty())
        return;
    for (const char *dll : kOpcSystemDlls) {
        std::string path = JoinPath(system, dll);
        if (FitsPath(path))
            AddSharedDllReference(path);
    }
}

// The caller's configuration from the default one, never over an existing file.
void CopyConfiguration(const std::string &installDir, const std::string &configDir,
                       const std::string &configName)
{
    std::string defaultConfig = DefaultConfigPath(installDir);
    if (IsReadOnly(defaultConfig))
        ClearReadOnly(defaultConfig);
    std::string copy = ConfigCopyPath(configDir, configName);
    // Without a configuration folder the copy would land in the root folder.
    if (!configDir.empty() && FitsPath(copy) && !PathExists(copy))
        CopyFileKeepingTime(defaultConfig, copy, Overwrite::KeepExisting);
    std::string runtime = DriverRuntimePath(installDir);
    if (IsReadOnly(runtime))
        ClearReadOnly(runtime);
}

} // namespace

int InstallDriver(int run, int /*unused*/, int scadaNode, const char *mediaPath, const char *installDirGiven,
                  const char *configDirGiven, const char *configName, const char *folderName)
{
    if (run == 0)
        return 0;
    if (!mediaPath || !*mediaPath) {
        ShowSetupError("Path to the distribution media was not specified");
        return 0;
    }

    std::string infPath = InfFilePath(mediaPath);
    InfOpenResult opened;
    if (FitsPath(infPath))
        opened = OpenInfFile(FindOnMedia(NormalizeFolder(mediaPath), FileNameOf(infPath)));
    else
        opened.error = ENAMETOOLONG;
    if (!opened.ok) {
        ShowSetupErrorWithCode("Failed to open server's information file " + infPath, opened.error);
        return 0;
    }
    const InfFile &inf = opened.inf;

    std::string installDir = NormalizeFolder(Text(installDirGiven));
    DirectoryIds dirids;
    if (int rc = dirids.Set(kDirIdInstall, installDir); rc != 0) {
        ShowSetupErrorWithCode(
            "Failed to associate a directory id with the destination directory " + installDir, rc);
        return 0;
    }
    std::string defaultConfig = DefaultConfigPath(installDir);
    if (int rc = dirids.Set(kDirIdDefaultConfig, defaultConfig); rc != 0) {
        ShowSetupErrorWithCode(
            "Failed to associate a directory id with the destination directory " + defaultConfig, rc);
        return 0;
    }
    std::string pollEngine = PollEnginePath(installDir);
    if (int rc = dirids.Set(kDirIdPollEngine, pollEngine); rc != 0) {
        ShowSetupErrorWithCode("Bad directory for Driver executable " + pollEngine, rc);
        return 0;
    }

    std::unique_ptr<FileQueue> queue(new (std::nothrow) FileQueue);
    if (!queue) {
        ShowSetupErrorWithCode("Failed to open file queue", ENOMEM);
        return 0;
    }
    std::unique_ptr<DefaultQueueCallback> context(new (std::nothrow) DefaultQueueCallback);
    if (!context) {
        ShowSetupErrorWithCode("Failed to allocate memory for the queue callback context", ENOMEM);
        return 0;
    }

    // Sources are the media folder itself, whichever way its path was written.
    std::string media = NormalizeFolder(mediaPath);
    bool scada = scadaNode != 0;
    QueueFiles(inf, dirids, media, scada, *queue);
    KeepNewerTargetCallback callback(*context);
    if (CommitResult committed = queue->Commit(callback); !committed.ok)
        ShowSetupErrorWithCode("Failed to commit the file queue", committed.error);

    ApplyRegistry(inf, dirids, scada);
    if (folderName)
        CreateShortcuts(installDir, folderName);
    AddOpcDllReferences();

    if (configName && *configName)
        CopyConfiguration(installDir, NormalizeFolder(Text(configDirGiven)), configName);
    if (scadaNode == 1)
        StartOpcServerRegistration(OpcServerPath(installDir), installDir);
    return 1;
}

} // namespace kvz::setup
