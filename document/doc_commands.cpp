#include "document/did_doc.h"
#include "document/doc_strings.h"
#include "document/import_state.h"
#include "document/install_value.h"
#include "model/channel.h"
#include "niolib/niolib.h"
#include "platform/paths.h"
#include "platform/ui_services.h"

#include <cstdio>

namespace
{

constexpr size_t kPathBuffer = 512;
constexpr size_t kLogTextBuffer = 128;

kvz::MsgResult ShowDocMessage(int id, kvz::MsgIcon icon, kvz::MsgButtons buttons = kvz::MsgButtons::Ok)
{
    kvz::MessageRequest box;
    box.id = id;
    box.text = LoadDocString(id);
    box.icon = icon;
    box.buttons = buttons;
    return kvz::Ui().ShowMessage(box);
}

// The file the driver starts with, or nothing.
std::optional<std::string> StartupFile()
{
    char buffer[kPathBuffer] = {};
    if (!GetConfigFilePath(buffer, sizeof buffer) || buffer[0] == '\0')
        return std::nullopt;
    return std::string(buffer);
}

enum class FileKind { Config, Csv, Other };

FileKind KindOf(const std::string &path)
{
    std::string ext = kvz::ExtensionOf(path);
    if (kvz::EqualsIgnoreCase(ext, kDocAcronym))
        return FileKind::Config;
    if (kvz::EqualsIgnoreCase(ext, LoadDocString(IDS_CSV_EXTENSION)))
        return FileKind::Csv;
    return FileKind::Other;
}

// The file name without the text from its last dot.
std::string StemOf(const std::string &path)
{
    std::string name = kvz::FileNameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// "PDBPATH", a separator, the acronym and "DIDW.ERR".
std::string ImportErrorFilePath()
{
    std::string name = std::string(kDocAcronym) + LoadDocString(IDS_ERROR_FILE_NAME);
    char pdbPath[kPathBuffer];
    ReadInstallValue("PDBPATH", pdbPath, sizeof pdbPath);
    std::string folder = pdbPath;
    // Without a database folder the file goes to the working folder, not to the root of the system.
    return folder.empty() ? name : kvz::JoinPath(folder, name);
}

} // namespace

CDidDoc::Settled CDidDoc::AskToSaveChanges()
{
    if (!m_bModified)
        return Settled::Discarded;
    switch (ShowDocMessage(IDS_SAVE_CHANGES, kvz::MsgIcon::Question, kvz::MsgButtons::YesNoCancel)) {
    case kvz::MsgResult::Yes:
        OnFileSave();
        return m_bModified ? Settled::NotSaved : Settled::Saved;
    case kvz::MsgResult::No:
        return Settled::Discarded;
    default:
        return Settled::Cancelled;
    }
}

void CDidDoc::OnFileNew()
{
    if (AskToSaveChanges() == Settled::Cancelled)
        return;
    DeleteContents();
    MakeUntitled();
    SetModifiedFlag(false);
    UpdateAllViews(1);
}

bool CDidDoc::SettleChangesBeforeOpening()
{
    bool wasModified = m_bModified;
    Settled settled = AskToSaveChanges();
    if (settled == Settled::Cancelled)
        return false;
    if (wasModified && settled == Settled::Discarded)
        SetModifiedFlag(false);
    return true;
}

void CDidDoc::OnFileOpen()
{
    if (!SettleChangesBeforeOpening())
        return;

    kvz::FileDialogRequest dialog;
    dialog.defaultExt = kDocAcronym;
    dialog.filter = FileDialogFilter();
    dialog.mustExist = true;
    if (auto startup = StartupFile())
        dialog.initialDir = kvz::DirectoryOf(*startup);
    auto chosen = kvz::Ui().AskFileName(dialog);
    if (!chosen)
        return;
    OpenChosenFile(*chosen);
}

void CDidDoc::OpenChosenFile(const std::string &path)
{
    {
        kvz::WaitCursor wait;
        DeleteContents();
        switch (KindOf(path)) {
        case FileKind::Config:
            ReadConfigFile(path);
            break;
        case FileKind::Csv:
            GetImportState().errorFilePath = ImportErrorFilePath();
            ImportCsv(path);
            break;
        case FileKind::Other:
            ShowDocMessage(IDS_INVALID_FILE_TYPE, kvz::MsgIcon::Exclamation);
            break;
        }
    }
    UpdateAllViews(1);
}

void CDidDoc::OpenRecentFile(const std::string &path)
{
    if (!SettleChangesBeforeOpening())
        return;
    if (!kvz::PathExists(path)) {
        // A file that was moved or deleted since: say so and drop it from the list, the tree stays.
        std::erase(m_recentFiles, path);
        ShowDocMessage(IDS_UNABLE_TO_OPEN, kvz::MsgIcon::Exclamation);
        return;
    }
    OpenChosenFile(path);
}

void CDidDoc::OnFileSave()
{
    if (!m_strPathName.empty() && kvz::PathExists(m_strPathName)) {
        WriteConfigFile(m_strPathName);
        UpdateAllViews(1);
        return;
    }
    OnFileSaveAs();
}

void CDidDoc::OnFileSaveAs()
{
    kvz::FileDialogRequest dialog;
    dialog.save = true;
    dialog.defaultExt = kDocAcronym;
    dialog.filter = FileDialogFilter();
    dialog.promptOverwrite = true;
    dialog.promptCreate = true;
    if (auto startup = StartupFile()) {
        dialog.initialDir = kvz::DirectoryOf(*startup);
        dialog.initialName = StemOf(*startup);
    } else {
        dialog.initialDir = kDefaultInstallFolder;
        dialog.initialName = std::string("DEFAULT.") + kDocAcronym;
    }
    auto chosen = kvz::Ui().AskFileName(dialog);
    if (!chosen)
        return;
    SaveAsChosenFile(*chosen);
}

void CDidDoc::SaveAsChosenFile(const std::string &path)
{
    {
        kvz::WaitCursor wait;
        switch (KindOf(path)) {
        case FileKind::Config:
            WriteConfigFile(path);
            break;
        case FileKind::Csv:
            ExportCsv(path);
            break;
        case FileKind::Other:
            ShowDocMessage(IDS_INVALID_FILE_TYPE, kvz::MsgIcon::Exclamation);
            break;
        }
    }
    UpdateAllViews(1);
}

void CDidDoc::ReopenOwnPath()
{
    if (m_strPathName.empty() || !kvz::PathExists(m_strPathName))
        return;
    std::string path = m_strPathName;
    OnOpenDocument(path);
    UpdateAllViews(1);
}

void CDidDoc::OnReload()
{
    if (!HasPollRecords()) {
        ShowDocMessage(IDS_DRIVER_NOT_STARTED, kvz::MsgIcon::Exclamation);
        return;
    }
    bool wasModified = m_bModified;
    Settled settled = AskToSaveChanges();
    // A save that did not happen has told the user why; re-reading the file or restarting the
    // driver now would throw away the very changes the user asked to keep.
    if (settled == Settled::Cancelled || settled == Settled::NotSaved)
        return;
    if (wasModified && settled == Settled::Discarded) {
        ReopenOwnPath(); // the changes are discarded, as the question said
        SetModifiedFlag(false);
    }
    kvz::WaitCursor wait;
    if (ReloadConfiguration(m_strPathName.c_str(), kDocAcronym) != 0)
        ShowDocMessage(IDS_RELOAD_COMPLETE, kvz::MsgIcon::Information);
    ReopenOwnPath();
    m_bReloadPending = 0;
}

void CDidDoc::OnToggleAlarmDisplay()
{
    CChannel *channel = GetCurrentChannel();
    if (!channel)
        return;
    channel->SetDisplayAlarmsValue((channel->GetDisplayAlarms() & 1) == 0 ? 1 : 0);
    SetModifiedFlag(true);
}

void CDidDoc::OnDisableCommsAlarms()
{
    CChannel *channel = GetCurrentChannel();
    if (!channel)
        return;
    channel->SetCommsAlarmsDisabledValue((channel->GetCommsAlarmsDisabled() & 1) == 0 ? 1 : 0);
    SetModifiedFlag(true);
}

void CDidDoc::OnLearnAddresses()
{
    CChannel *channel = GetCurrentChannel();
    if (!channel)
        return;
    channel->SetLearnAddresses(!channel->GetLearnAddresses());
    SetModifiedFlag(true);
}

void CDidDoc::OnSaveLogFile()
{
    char text[kLogTextBuffer];
    std::snprintf(text, sizeof text, doctext::kSaveLogText, kDocAcronym);
    kvz::MessageRequest box;
    box.text = text;
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::None;
    kvz::Ui().ShowMessage(box);
    m_bSaveLog = 1;
}

void CDidDoc::OnImportAddresses()
{
    kvz::FileDialogRequest dialog;
    dialog.defaultExt = "DBF";
    dialog.filter = doctext::kImportFilter;
    auto chosen = kvz::Ui().AskFileName(dialog);
    if (!chosen)
        return;
    {
        kvz::WaitCursor wait;
        if (m_addressImporter)
            m_addressImporter(*chosen);
    }
    UpdateAllViews(1);
}

CommandState CDidDoc::GetCommandState(int commandId) const
{
    CChannel *channel = GetCurrentChannel();
    switch (commandId) {
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
        return {GetPollRecordCount() != 0, false};
    case ID_RELOAD:
        return {HasPollRecords(), false};
    case ID_TOGGLE_ALARM_DISPLAY:
        return {channel != nullptr, channel && channel->GetDisplayAlarms() == 1};
    case ID_DISABLE_COMMS_ALARMS:
        return {channel != nullptr, channel && channel->GetCommsAlarmsDisabled() == 1};
    case ID_LEARN_ADDRESSES:
        return {channel != nullptr, channel && channel->GetLearnAddresses()};
    default:
        return {true, false};
    }
}
