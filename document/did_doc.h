#pragma once
// The configurator's one document: it owns the configuration tree (the channel list every model object
// works on), carries the document state (path name, title, modified flag) and handles the file and
// option commands. Everything it shows or asks goes through the UI-services seam, so the commands run
// the same in the configurator, in kvzcfg and in tests.
#include "model/tree_state.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CChannel;

// Command identifiers of the menus and toolbars the document serves.
enum DocCommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_RELOAD = 10002,
    ID_TOGGLE_ALARM_DISPLAY = 10000,
    ID_DISABLE_COMMS_ALARMS = 10001,
    ID_LEARN_ADDRESSES = 40001,
    ID_SAVE_LOG_FILE = 40002,
    ID_IMPORT_ADDRESSES = 40003,
};

// What an update handler gives a menu item or toolbar button.
struct CommandState {
    bool enabled = true;
    bool checked = false;
};

class CDidDoc
{
public:
    // Publishes the channel list as the process-wide one (there is one document per process).
    CDidDoc();
    ~CDidDoc();
    CDidDoc(const CDidDoc &) = delete;
    CDidDoc &operator=(const CDidDoc &) = delete;

    // ---- The tree ----
    ChannelList m_ChannelList;
    int m_bReloadPending = 0;
    int m_bSaveLog = 0;
    CChannel *m_pCurrentChannel = nullptr;

    // Numbers the channel by its place among the first 16 and makes it current for the whole process.
    void SetCurrentChannel(CChannel *channel);
    // Destroys every poll record, device and channel; path, title and flags stay.
    void DeleteContents();
    // The framework's open by name: empties the document and reads the configuration file. TRUE always.
    int OnOpenDocument(const std::string &path);
    // The framework's archive hook: storing saves as File > Save does; loading does nothing.
    void Serialize(bool storing);

    // ---- Files ----
    void WriteConfigFile(const std::string &path);
    void ReadConfigFile(const std::string &path);
    void ExportCsv(const std::string &path);
    void ImportCsv(const std::string &path);

    // ---- Commands ----
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnReload();
    void OnToggleAlarmDisplay();
    void OnDisableCommsAlarms();
    void OnLearnAddresses();
    void OnSaveLogFile();
    void OnImportAddresses();
    // Enabled and checked state of a command, by identifier.
    CommandState GetCommandState(int commandId) const;

    // What Open and Save As do once the file dialog gave a name (kvzcfg starts here).
    void OpenChosenFile(const std::string &path);
    void SaveAsChosenFile(const std::string &path);
    // File > recent file: offers to save the changes, then opens `path`; a file that is gone is taken
    // off the list with a message.
    void OpenRecentFile(const std::string &path);

    // ---- Document state ----
    const std::string &GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string &path) { m_strPathName = path; }
    const std::string &GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string &title) { m_strTitle = title; }
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    // The recently used files, most recent first.
    const std::vector<std::string> &GetRecentFiles() const { return m_recentFiles; }
    void AddToRecentFileList(const std::string &path);

    // The host database import that Import Addresses hands the chosen table to (set by the front end).
    using AddressImporter = std::function<void(const std::string &path)>;
    void SetAddressImporter(AddressImporter importer) { m_addressImporter = std::move(importer); }

    // The filter of the Open and Save As dialogs, with the acronym in place of "###".
    static std::string FileDialogFilter();

    // ---- Change notification ----
    // Called after every change that a command's state follows: poll records appearing in or going
    // from the tree, the current channel, the modified flag (every edit sets it), and each command
    // that rebuilt the views. A front end recomputes its command states there, so they never lag.
    using ChangeListener = std::function<void()>;
    void SetChangeListener(ChangeListener listener) { m_changeListener = std::move(listener); }
    void NotifyChanged();

private:
    // The modified-changes prompt of New, Open and Reload. NotSaved: the user chose to save and the
    // save did not happen (it failed, or its Save As was cancelled), so the changes are still only
    // in memory.
    enum class Settled { Saved, NotSaved, Discarded, Cancelled };
    Settled AskToSaveChanges();
    // The prompt before another file is opened: false when the user cancelled; discarded changes
    // clear the modified flag.
    bool SettleChangesBeforeOpening();
    // The framework's request to open the document's own path: re-reads it when it names a file.
    void ReopenOwnPath();
    // Clears the path and gives the document the untitled title.
    void MakeUntitled();
    // Updates all views, then tells the listener.
    void UpdateAllViews(int hint);

    std::string m_strPathName;
    std::string m_strTitle = "Untitled";
    bool m_bModified = false;
    std::vector<std::string> m_recentFiles;
    AddressImporter m_addressImporter;
    ChangeListener m_changeListener;
};

// True when the whole tree holds at least one poll record: saving, reloading and the exit dialog apply.
bool HasPollRecords();
