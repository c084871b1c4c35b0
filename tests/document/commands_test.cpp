// The document commands through a scripted UI: prompts, dialogs, flags and what each leaves behind.
#include "doc_fixture.h"

#include "document/import_state.h"
#include "model/channel.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/registry.h"

#include <algorithm>
#include <functional>

using namespace doctest;
using kvz::MsgResult;

namespace
{

const char *kSavePrompt =
    "The I/O Driver Configuration has been modified but not saved. \n\rSave changes? (Selecting "
    "NO will result in changes being discarded.)";
const char *kFilter = "Config. Files (*.KVZ)|*.KVZ|Text Files (*.CSV)|*.CSV||";

class CommandsTest : public DocTest
{
protected:
    void BuildSmall()
    {
        CChannel *c = AddChannel();
        AddIORec(AddDevice(c, "PLC1"), "M0", "4");
    }
    std::string SavedFile()
    {
        BuildSmall();
        std::string path = dir_ / "PLANT.KVZ";
        doc_->WriteConfigFile(path);
        ui_.Clear();
        return path;
    }
};

TEST_F(CommandsTest, NewAsksAboutUnsavedChangesAndCancelKeepsEverything)
{
    BuildSmall();
    doc_->SetModifiedFlag();
    ui_.answers = {MsgResult::Cancel};
    doc_->OnFileNew();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kSavePrompt);
    EXPECT_EQ(ui_.messages[0].buttons, kvz::MsgButtons::YesNoCancel);
    EXPECT_EQ(ui_.messages[0].icon, kvz::MsgIcon::Question);
    EXPECT_EQ(doc_->m_ChannelList.size(), 1u);
    EXPECT_TRUE(doc_->IsModified());

    ui_.answers = {MsgResult::No};
    doc_->OnFileNew();
    EXPECT_TRUE(doc_->m_ChannelList.empty());
    EXPECT_EQ(GetPollRecordCount(), 0);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->GetTitle(), "Untitled");
    EXPECT_EQ(doc_->GetPathName(), "");
    EXPECT_EQ(ui_.viewUpdates, std::vector<int>{1});
}

TEST_F(CommandsTest, NewWithYesSavesFirst)
{
    std::string path = SavedFile();
    std::filesystem::remove(path);
    doc_->SetModifiedFlag();
    ui_.answers = {MsgResult::Yes};
    ui_.files = {path};
    doc_->OnFileNew();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(doc_->m_ChannelList.empty());
}

TEST_F(CommandsTest, OpenOffersTheFiltersAndTheStartupFolder)
{
    RegisterStartupFile("/plant/cfg/PLANT.KVZ");
    ui_.files = {std::nullopt};
    doc_->OnFileOpen();
    ASSERT_EQ(ui_.fileDialogs.size(), 1u);
    const kvz::FileDialogRequest &d = ui_.fileDialogs[0];
    EXPECT_FALSE(d.save);
    EXPECT_EQ(d.filter, kFilter);
    EXPECT_EQ(d.defaultExt, "KVZ");
    EXPECT_EQ(d.initialName, "");
    EXPECT_EQ(d.initialDir, "/plant/cfg");
    EXPECT_TRUE(d.mustExist);
}

TEST_F(CommandsTest, OpenReadsByExtensionWithoutRegardToCase)
{
    std::string path = SavedFile();
    std::string lower = dir_ / "plant.kvz";
    std::filesystem::rename(path, lower);
    doc_->DeleteContents();
    ui_.files = {lower};
    doc_->OnFileOpen();
    EXPECT_EQ(doc_->m_ChannelList.size(), 1u);
    EXPECT_EQ(doc_->GetPathName(), lower);
    EXPECT_EQ(ui_.waitDepth, 0);
    EXPECT_GE(ui_.waitCount, 1);
    EXPECT_EQ(ui_.viewUpdates.back(), 1);
}

TEST_F(CommandsTest, OpenOfAnotherFileTypeEmptiesTheDocumentAndSaysSo)
{
    BuildSmall();
    ui_.files = {dir_ / "notes.txt"};
    doc_->OnFileOpen();
    ASSERT_EQ(ui_.Ids(), std::vector<int>{10301});
    EXPECT_EQ(ui_.messages[0].text, "Invalid File Type specified.");
    EXPECT_EQ(ui_.messages[0].icon, kvz::MsgIcon::Exclamation);
    EXPECT_TRUE(doc_->m_ChannelList.empty());
}

TEST_F(CommandsTest, OpenAnsweredNoDropsTheModifiedFlagBeforeTheDialog)
{
    BuildSmall();
    doc_->SetModifiedFlag();
    ui_.answers = {MsgResult::No};
    ui_.files = {std::nullopt};
    doc_->OnFileOpen();
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->m_ChannelList.size(), 1u); // the dialog was cancelled: nothing emptied
}

TEST_F(CommandsTest, OpenOfACsvFileImportsAndLeavesTheDocumentUntitledAndModified)
{
    std::string csv = dir_ / "PLANT.CSV";
    SavedFile();
    doc_->ExportCsv(csv);
    ui_.files = {csv};
    doc_->OnFileOpen();
    EXPECT_EQ(doc_->m_ChannelList.size(), 1u);
    EXPECT_EQ(GetPollRecordCount(), 1);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(doc_->GetTitle(), "Untitled");
    EXPECT_EQ(doc_->GetPathName(), "");
}

// The error file goes to the database folder the installer registered for the machine; that value is
// read only when the driver's executable is registered. Otherwise the file lands in the working folder.
TEST_F(CommandsTest, ImportErrorFileIsPlacedByTheMachinesDatabaseFolder)
{
    const std::string installKey = "Software\\Quillmark\\Brennic\\";
    const std::string configKey = "Software\\Quillmark\\Brennic\\Config";
    struct Case {
        const char *name;
        bool driverExe;
        kvz::Hive pdbHive;
        bool inDatabaseFolder;
    };
    const Case cases[] = {
        {"machine value with the driver registered", true, kvz::Hive::LocalMachine, true},
        {"machine value without the driver", false, kvz::Hive::LocalMachine, false},
        {"user value only", true, kvz::Hive::CurrentUser, false},
    };
    std::string csv = dir_ / "PLANT.CSV";
    SavedFile();
    doc_->ExportCsv(csv);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (kvz::Hive hive : {kvz::Hive::CurrentUser, kvz::Hive::LocalMachine}) {
            kvz::RegDeleteValue(hive, installKey, "PDBPATH");
            kvz::RegDeleteValue(hive, configKey, "DriverExe");
        }
        if (c.driverExe) {
            ASSERT_TRUE(
                kvz::RegWriteString(kvz::Hive::LocalMachine, configKey, "DriverExe", "/opt/KVZSPOLL"));
        }
        ASSERT_TRUE(kvz::RegWriteString(c.pdbHive, installKey, "PDBPATH", dir_.path().string()));
        doc_->SetModifiedFlag(false); // the previous import left the document modified
        ui_.files = {csv};
        doc_->OnFileOpen();
        EXPECT_EQ(GetImportState().errorFilePath,
                  c.inDatabaseFolder ? dir_ / "KVZDIDW.ERR" : std::string("KVZDIDW.ERR"));
    }
}

TEST_F(CommandsTest, SaveCommandsAreEnabledOnlyWithPollRecords)
{
    CChannel *c = AddChannel();
    AddDevice(c, "PLC1");
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_RELOAD})
        EXPECT_FALSE(doc_->GetCommandState(id).enabled) << id;
    AddIORec(c->Devices()[0].get(), "M0", "1");
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_RELOAD})
        EXPECT_TRUE(doc_->GetCommandState(id).enabled) << id;
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_SAVE_LOG_FILE, ID_IMPORT_ADDRESSES})
        EXPECT_TRUE(doc_->GetCommandState(id).enabled) << id;
}

TEST_F(CommandsTest, TheChangeListenerHearsEveryChangeACommandStateFollows)
{
    int heard = 0;
    doc_->SetChangeListener([&] { ++heard; });
    auto heardFrom = [&](const std::function<void()> &change) {
        heard = 0;
        change();
        return heard;
    };
    CChannel *c = AddChannel();
    CDevice *d = AddDevice(c, "PLC1");
    EXPECT_GE(heardFrom([&] { doc_->SetCurrentChannel(c); }), 1);
    // Poll records appearing in and going from the tree, by whatever code adds or removes them.
    EXPECT_EQ(heardFrom([&] { AddIORec(d, "M0", "1"); }), 1);
    EXPECT_EQ(heardFrom([&] { AddIORec(d, "M10", "1"); }), 0); // the state cannot change with a second
    EXPECT_EQ(heardFrom([&] { d->RemoveIORec(d->IORecs().back().get()); }), 0);
    EXPECT_EQ(heardFrom([&] { d->RemoveIORec(d->IORecs().back().get()); }), 1);
    EXPECT_FALSE(doc_->GetCommandState(ID_FILE_SAVE_AS).enabled);
    EXPECT_GE(heardFrom([&] { doc_->SetModifiedFlag(); }), 1);
    EXPECT_GE(heardFrom([&] { doc_->OnLearnAddresses(); }), 1);
    EXPECT_GE(heardFrom([&] { doc_->OnDisableCommsAlarms(); }), 1);
    EXPECT_GE(heardFrom([&] { doc_->DeleteContents(); }), 1);
    doc_->SetChangeListener(nullptr);
}

TEST_F(CommandsTest, SaveAsProposesTheDefaultNameOrTheStartupFile)
{
    BuildSmall();
    ui_.files = {std::nullopt, std::nullopt};
    doc_->OnFileSaveAs();
    RegisterStartupFile("D:\\CFG\\PLANT.KVZ");
    doc_->OnFileSaveAs();
    ASSERT_EQ(ui_.fileDialogs.size(), 2u);
    EXPECT_TRUE(ui_.fileDialogs[0].save);
    EXPECT_TRUE(ui_.fileDialogs[0].promptOverwrite);
    EXPECT_TRUE(ui_.fileDialogs[0].promptCreate);
    EXPECT_EQ(ui_.fileDialogs[0].filter, kFilter);
    EXPECT_EQ(ui_.fileDialogs[0].initialDir, "C:\\Program Files\\Quillmark\\Brennic\\");
    EXPECT_EQ(ui_.fileDialogs[0].initialName, "DEFAULT.KVZ");
    EXPECT_EQ(ui_.fileDialogs[1].initialDir, "D:\\CFG");
    EXPECT_EQ(ui_.fileDialogs[1].initialName, "PLANT");
}

TEST_F(CommandsTest, SaveAsCsvExportsAndLeavesTitleAndFlagAlone)
{
    BuildSmall();
    doc_->SetModifiedFlag();
    ui_.files = {dir_ / "report.csv"};
    doc_->OnFileSaveAs();
    EXPECT_TRUE(std::filesystem::exists(dir_ / "report.csv"));
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(doc_->GetTitle(), "Untitled");
    EXPECT_EQ(doc_->m_bReloadPending, 0);
}

TEST_F(CommandsTest, SaveWritesTheOwnFileOrFallsThroughToSaveAs)
{
    BuildSmall();
    doc_->SetModifiedFlag();
    ui_.files = {std::nullopt};
    doc_->OnFileSave(); // no path yet: Save As, cancelled
    EXPECT_EQ(ui_.fileDialogs.size(), 1u);
    EXPECT_TRUE(doc_->IsModified());

    std::string path = dir_ / "PLANT.KVZ";
    ui_.files = {path};
    doc_->OnFileSave();
    EXPECT_EQ(doc_->GetPathName(), path);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->m_bReloadPending, 1);

    doc_->SetModifiedFlag();
    doc_->OnFileSave(); // the file exists: no dialog
    EXPECT_EQ(ui_.fileDialogs.size(), 2u);
    EXPECT_FALSE(doc_->IsModified());
}

TEST_F(CommandsTest, ReloadWithoutPollRecordsSaysTheDriverIsNotStarted)
{
    doc_->OnReload();
    ASSERT_EQ(ui_.Ids(), std::vector<int>{10416});
    EXPECT_EQ(ui_.messages[0].text, "Driver not Started Not Started!");
}

TEST_F(CommandsTest, ReloadCancelledChangesNothingAndLeavesTheDriverAlone)
{
    std::vector<std::string> logs;
    nio::SetLogObserver([&](uint16_t, const std::string &text) { logs.push_back(text); });
    SavedFile();
    doc_->SetModifiedFlag();
    doc_->m_bReloadPending = 1;
    ui_.answers = {MsgResult::Cancel};
    doc_->OnReload();
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(doc_->m_bReloadPending, 1);
    EXPECT_TRUE(logs.empty());
}

TEST_F(CommandsTest, ReloadCommandsTheDriverAndReportsCompletion)
{
    std::vector<std::string> logs;
    nio::SetLogObserver([&](uint16_t, const std::string &text) { logs.push_back(text); });
    std::string path = SavedFile();
    doc_->m_ChannelList[0]->Devices()[0]->SetDescription("unsaved edit");
    doc_->SetModifiedFlag();
    ui_.answers = {MsgResult::No};
    doc_->OnReload();
    EXPECT_NE(std::find(logs.begin(), logs.end(), "ReloadConfiguration(" + path + ",KVZ)"), logs.end());
    // No driver runs here, so the stop is reported as failed before the completion.
    ASSERT_EQ(ui_.Texts().size(), 3u);
    EXPECT_EQ(ui_.messages[0].id, 10304);
    EXPECT_EQ(ui_.messages[1].text, "nio_stop() Failed !");
    EXPECT_EQ(ui_.messages[2].text, "Reload Complete");
    EXPECT_EQ(ui_.messages[2].icon, kvz::MsgIcon::Information);
    EXPECT_EQ(doc_->m_bReloadPending, 0);
    EXPECT_FALSE(doc_->IsModified());
    // "No" discards the edit: the document shows the file the driver loads.
    EXPECT_EQ(doc_->m_ChannelList[0]->Devices()[0]->GetDescription(), "");
    EXPECT_EQ(ui_.waitDepth, 0);
}

TEST_F(CommandsTest, OptionTogglesFlipTheCurrentChannelAndMarkTheDocument)
{
    CChannel *c = AddChannel();
    EXPECT_TRUE(doc_->GetCommandState(ID_TOGGLE_ALARM_DISPLAY).checked);
    doc_->OnToggleAlarmDisplay();
    EXPECT_EQ(c->GetDisplayAlarms(), 0);
    EXPECT_FALSE(doc_->GetCommandState(ID_TOGGLE_ALARM_DISPLAY).checked);
    EXPECT_TRUE(doc_->IsModified());
    c->SetDisplayAlarmsValue(0xFE); // "UNDEFINED": low bit 0 gives 1
    doc_->OnToggleAlarmDisplay();
    EXPECT_EQ(c->GetDisplayAlarms(), 1);

    doc_->OnDisableCommsAlarms();
    EXPECT_EQ(c->GetCommsAlarmsDisabled(), 1);
    EXPECT_TRUE(doc_->GetCommandState(ID_DISABLE_COMMS_ALARMS).checked);
    doc_->OnLearnAddresses();
    EXPECT_TRUE(c->GetLearnAddresses());
    EXPECT_TRUE(doc_->GetCommandState(ID_LEARN_ADDRESSES).checked);
    doc_->OnLearnAddresses();
    EXPECT_FALSE(c->GetLearnAddresses());

    doc_->DeleteContents(); // no current channel: the toggles do nothing
    doc_->SetModifiedFlag(false);
    doc_->OnToggleAlarmDisplay();
    EXPECT_FALSE(doc_->IsModified());
}

TEST_F(CommandsTest, SaveLogFileTellsWhereAndSetsTheFlag)
{
    doc_->OnSaveLogFile();
    doc_->OnSaveLogFile();
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text, "Log File will be saved to KVZ_LOG.TXT");
    EXPECT_EQ(ui_.messages[1].text, ui_.messages[0].text);
    EXPECT_EQ(doc_->m_bSaveLog, 1);
    EXPECT_FALSE(doc_->IsModified());
}

TEST_F(CommandsTest, ImportAddressesHandsTheChosenTableToTheImporter)
{
    std::vector<std::string> imported;
    doc_->SetAddressImporter([&](const std::string &path) { imported.push_back(path); });
    ui_.files = {std::nullopt, std::string("/data/VARS.DBF")};
    doc_->OnImportAddresses();
    doc_->OnImportAddresses();
    ASSERT_EQ(ui_.fileDialogs.size(), 2u);
    EXPECT_EQ(ui_.fileDialogs[0].filter, "DBase files(*.dbf)|*.DBF|Runtime files(*.rdb)|*.RDB||");
    EXPECT_EQ(ui_.fileDialogs[0].defaultExt, "DBF");
    EXPECT_EQ(imported, std::vector<std::string>{"/data/VARS.DBF"});
    EXPECT_EQ(ui_.viewUpdates, std::vector<int>{1});
}

TEST_F(CommandsTest, StartupQuestionComparesWithoutCaseAndKeepsTheUsersPath)
{
    BuildSmall();
    std::string registered = dir_.path().string() + "/PLANT.KVZ";
    RegisterStartupFile(registered);
    std::string sameButLower = dir_.path().string() + "/plant.kvz";
    doc_->WriteConfigFile(sameButLower);
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(std::filesystem::exists(sameButLower));
    EXPECT_FALSE(std::filesystem::exists(registered));
    EXPECT_EQ(doc_->GetPathName(), sameButLower);

    std::string other = dir_ / "OTHER.KVZ";
    ui_.answers = {MsgResult::No};
    doc_->WriteConfigFile(other);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].caption, "Warning !");
    EXPECT_EQ(ui_.messages[0].buttons, kvz::MsgButtons::YesNo);
    EXPECT_EQ(ui_.messages[0].icon, kvz::MsgIcon::Stop);
    EXPECT_EQ(ui_.messages[0].text, "You are Saving to " + other + "\nThe Driver is starting up with " +
                                        registered + "\nDo You wish to make this the new Startup file ?");
    EXPECT_EQ(RegisteredStartupFile(), registered);

    ui_.answers = {MsgResult::Yes};
    doc_->WriteConfigFile(other);
    EXPECT_EQ(RegisteredStartupFile(), other);
}

} // namespace

TEST_F(CommandsTest, ARecentFileOpensAfterThePromptAndAGoneOneLeavesTheListWithAMessage)
{
    std::string path = SavedFile();
    std::string gone = dir_ / "GONE.KVZ";
    doc_->AddToRecentFileList(gone);
    doc_->SetModifiedFlag(true);

    // Cancel at the prompt: nothing opens, the changes stay.
    ui_.answers.push_back(MsgResult::Cancel);
    doc_->OpenRecentFile(path);
    EXPECT_TRUE(doc_->IsModified());
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{kSavePrompt});

    // No: the changes go and the file is read.
    ui_.Clear();
    ui_.answers.push_back(MsgResult::No);
    doc_->DeleteContents();
    doc_->OpenRecentFile(path);
    EXPECT_FALSE(doc_->IsModified());
    EXPECT_EQ(doc_->GetPathName(), path);
    ASSERT_EQ(doc_->m_ChannelList.size(), 1u);

    // A file that is gone: a message, the tree stays, the name leaves the list.
    ui_.Clear();
    doc_->OpenRecentFile(gone);
    EXPECT_EQ(ui_.Ids(), std::vector<int>{10405});
    EXPECT_EQ(doc_->m_ChannelList.size(), 1u);
    const auto &recent = doc_->GetRecentFiles();
    EXPECT_EQ(std::find(recent.begin(), recent.end(), gone), recent.end());
}
