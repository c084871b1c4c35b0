#include "install_fixture.h"
#include "platform/registry.h"
#include "recording_ui.h"
#include "setup/install_driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kvz;
using namespace kvz::test;

namespace
{

constexpr const char *kProductKey = "Software\\Quillmark\\Brennic\\";
constexpr const char *kConfigKey = "Software\\Quillmark\\Brennic\\Config";
constexpr const char *kValueKey = "Software\\Quillmark\\Brennic";
constexpr const char *kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr const char *kCaption = "I/O Server Setup Error";

std::string Aborted(const std::string &message)
{
    return message + "\n\nI/O Server Setup aborted";
}

std::string AbortedWithCode(const std::string &message, int code)
{
    return message + "\nWin32 error code: " + std::to_string(code) + "\n\nI/O Server Setup aborted";
}

bool IsEmptyFolder(const std::string &path)
{
    return std::filesystem::is_empty(path);
}

class InstallDriverTest : public InstallFixture
{
protected:
    int Install(int scada, const char *folder = "Brennic", const char *configName = "PLANT")
    {
        return setup::InstallDriver(1, 0, scada, media.c_str(), install.c_str(), config.c_str(), configName,
                                    folder);
    }

    // Nothing written anywhere: no files, no registry store.
    void ExpectNothingWritten()
    {
        EXPECT_TRUE(IsEmptyFolder(install));
        EXPECT_TRUE(IsEmptyFolder(config));
        EXPECT_TRUE(IsEmptyFolder(system));
        EXPECT_TRUE(IsEmptyFolder(programs));
        EXPECT_FALSE(std::filesystem::exists(reg.root() / "machine" / "registry.ini"));
        EXPECT_FALSE(std::filesystem::exists(reg.root() / "user" / "registry.ini"));
    }

    RecordingUi ui;
};

} // namespace

TEST_F(InstallDriverTest, RunFlagZeroGivesZeroAndDoesNothing)
{
    std::string log = InstallRegistrationStandIn();
    EXPECT_EQ(
        setup::InstallDriver(0, 0, 1, media.c_str(), install.c_str(), config.c_str(), "PLANT", "Brennic"), 0);
    EXPECT_TRUE(ui.messages.empty());
    ExpectNothingWritten();
}

TEST_F(InstallDriverTest, WithoutAMediaPathItStopsWithItsMessage)
{
    for (const char *path : {static_cast<const char *>(nullptr), ""}) {
        ui.Clear();
        EXPECT_EQ(setup::InstallDriver(1, 0, 1, path, install.c_str(), config.c_str(), "PLANT", "Brennic"),
                  0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, Aborted("Path to the distribution media was not specified"));
        EXPECT_EQ(ui.messages[0].caption, kCaption);
        EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
    }
    ExpectNothingWritten();
}

TEST_F(InstallDriverTest, TheInfFileIsTheMediaPathWithOneSeparatorAndTheAcronym)
{
    std::string missing = tmp / "nomedia";
    for (std::string given : {missing, missing + "/", missing + "\\"}) {
        ui.Clear();
        EXPECT_EQ(setup::InstallDriver(1, 0, 1, given.c_str(), install.c_str(), config.c_str(), "P", nullptr),
                  0);
        ASSERT_EQ(ui.Texts(),
                  std::vector<std::string>{AbortedWithCode(
                      "Failed to open server's information file " + missing + "/KVZ.inf", ENOENT)});
        EXPECT_EQ(ui.messages[0].caption, kCaption);
    }
    WriteFile(missing + "/KVZ.inf", "[Version]\nSignature=\"$Windows 3.1$\"\n");
    ui.Clear();
    EXPECT_EQ(setup::InstallDriver(1, 0, 1, missing.c_str(), install.c_str(), config.c_str(), "P", nullptr),
              0);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{AbortedWithCode(
                              "Failed to open server's information file " + missing + "/KVZ.inf", EINVAL)});
    ExpectNothingWritten();
}

TEST_F(InstallDriverTest, MediaPathWithOrWithoutTrailingSeparatorInstallsTheSame)
{
    for (std::string given : {media, media + "/", media + "\\"}) {
        SCOPED_TRACE(given);
        std::filesystem::remove_all(install);
        EXPECT_EQ(setup::InstallDriver(1, 0, 0, given.c_str(), install.c_str(), config.c_str(), "", nullptr),
                  1);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(ReadFile(install + "/KVZdidw.exe"), "media KVZdidw.exe");
    }
}

TEST_F(InstallDriverTest, NamesOnTheMediaAreFoundWhateverTheirCase)
{
    std::filesystem::rename(media + "/KVZ.inf", media + "/kvz.INF");
    std::filesystem::rename(media + "/KVZdidw.exe", media + "/KVZDIDW.EXE");
    ASSERT_EQ(Install(0, nullptr), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ReadFile(install + "/KVZdidw.exe"), "media KVZdidw.exe");
}

TEST_F(InstallDriverTest, DirectoryIdFailuresStopBeforeTheQueue)
{
    std::string base = tmp.path().string() + "/";
    auto dirOfLength = [&](size_t n) { return base + std::string(n - base.size(), 'd'); };
    struct Case {
        std::string installDir;
        std::string message;
    };
    std::string d247 = dirOfLength(247), d250 = dirOfLength(250), d300 = dirOfLength(300);
    const Case cases[] = {
        {"", AbortedWithCode("Failed to associate a directory id with the destination directory ", EINVAL)},
        {d300, AbortedWithCode("Failed to associate a directory id with the destination directory " + d300,
                               ENAMETOOLONG)},
        {d250, AbortedWithCode("Failed to associate a directory id with the destination directory " + d250 +
                                   "/DEFAULT.KVZ",
                               ENAMETOOLONG)},
        {d247,
         AbortedWithCode("Bad directory for Driver executable " + d247 + "/KVZSPOLL.EXE", ENAMETOOLONG)},
    };
    for (const Case &c : cases) {
        ui.Clear();
        EXPECT_EQ(
            setup::InstallDriver(1, 0, 1, media.c_str(), c.installDir.c_str(), config.c_str(), "P", "F"), 0);
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{c.message});
    }
    ui.Clear();
    EXPECT_EQ(setup::InstallDriver(1, 0, 1, media.c_str(), nullptr, config.c_str(), "P", "F"), 0);
    EXPECT_EQ(ui.Texts().size(), 1u);
    ExpectNothingWritten();
}

TEST_F(InstallDriverTest, ScadaNodeInstallsEverything)
{
    std::string log = InstallRegistrationStandIn();
    std::filesystem::path cwd = std::filesystem::current_path();
    ASSERT_EQ(Install(1), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(std::filesystem::current_path(), cwd);

    for (const char *f :
         {"KVZSPOLL.EXE", "KVZOPC.DLL", "KVZstext.drv", "KVZdidw.exe", "DEFAULT.KVZ", "KVZDIDW.chm"})
        EXPECT_EQ(ReadFile(install + "/" + f), std::string("media ") + f) << f;
    EXPECT_EQ(ReadFile(system + "/OPCProxy.dll"), "media OPCProxy.dll");

    EXPECT_EQ(RegReadString(Hive::LocalMachine, kConfigKey, "DriverExe"), install + "/KVZSPOLL.EXE");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kValueKey, "Version"), "7.10.58.2");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kValueKey, "NodeKind"), "SCADA");
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, kValueKey, "Scada"), 1u);
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kProductKey, "FolderName"), "Brennic");

    std::string link = ReadFile(programs + "/Brennic/Brennic Plant Link Configurator.lnk");
    EXPECT_NE(link.find("Name=Brennic Plant Link Configurator\n"), std::string::npos) << link;
    EXPECT_NE(link.find("URL=file://" + install + "/KVZdidw.exe\n"), std::string::npos) << link;
    std::string help = ReadFile(programs + "/Brennic/Brennic Plant Link Configurator Help.lnk");
    EXPECT_NE(help.find("Name=Brennic Plant Link Configurator Help\n"), std::string::npos) << help;
    EXPECT_NE(help.find("URL=file://" + install + "/KVZDIDW.chm\n"), std::string::npos) << help;

    for (const char *dll : {"OPCDAAuto.dll", "OPCProxy.dll", "opccomn_ps.dll"})
        EXPECT_EQ(RegReadDword(Hive::LocalMachine, kSharedDlls, system + "/" + dll), 1u) << dll;

    EXPECT_EQ(ReadFile(config + "/PLANT.KVZ"), "media DEFAULT.KVZ");
    EXPECT_EQ(AwaitFile(log), install + "\n/s\n" + install + "/KVZOPC.DLL\n");
}

TEST_F(InstallDriverTest, ViewNodeNeverQueuesScadaFilesNorRegistersTheServer)
{
    std::string log = InstallRegistrationStandIn();
    ASSERT_EQ(Install(0), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(install + "/KVZSPOLL.EXE"));
    EXPECT_FALSE(std::filesystem::exists(install + "/KVZOPC.DLL"));
    EXPECT_EQ(ReadFile(install + "/KVZdidw.exe"), "media KVZdidw.exe");
    EXPECT_EQ(ReadFile(system + "/OPCProxy.dll"), "media OPCProxy.dll");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kValueKey, "NodeKind"), "View");
    EXPECT_FALSE(RegReadDword(Hive::LocalMachine, kValueKey, "Scada"));
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kProductKey, "FolderName"), "Brennic");
    EXPECT_EQ(ReadFile(config + "/PLANT.KVZ"), "media DEFAULT.KVZ");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST_F(InstallDriverTest, OnlyScadaFlagOneRegistersTheServer)
{
    std::string log = InstallRegistrationStandIn();
    ASSERT_EQ(Install(2), 1);
    EXPECT_EQ(ReadFile(install + "/KVZSPOLL.EXE"), "media KVZSPOLL.EXE");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kValueKey, "NodeKind"), "SCADA");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(std::filesystem::exists(log));
}

TEST_F(InstallDriverTest, AMissingRegistrationProgramIsNotReported)
{
    ::setenv("PATH", bin.c_str(), 1);
    EXPECT_EQ(Install(1), 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(InstallDriverTest, QueueingFailuresAreReportedAndTheInstallationGoesOn)
{
    std::string inf = kSampleInf;
    auto replace = [](std::string text, const std::string &from, const std::string &to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        const char *name;
        std::string inf;
        int scada;
        std::vector<std::string> messages;
        bool viewFilesCopied;
    };
    const Case cases[] = {
        {"scada list missing: view not queued",
         replace(inf, "CopyFiles = ScadaFiles", "CopyFiles = Nowhere"),
         1,
         {AbortedWithCode("Failed to process Scada node files", ENOENT)},
         false},
        {"view list malformed",
         replace(inf, "KVZdidw.exe\n", "\"KVZdidw.exe\n"),
         1,
         {AbortedWithCode("Failed to process View node files", EINVAL)},
         false},
        {"view list malformed on a view node",
         replace(inf, "KVZdidw.exe\n", "\"KVZdidw.exe\n"),
         0,
         {AbortedWithCode("Failed to process View node files", EINVAL)},
         false},
        {"system destination unknown",
         replace(inf, "SystemFiles = 11", "SystemFiles = 12"),
         0,
         {AbortedWithCode("Failed to process System files", ENOENT)},
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(install);
        ui.Clear();
        WriteMedia(c.inf);
        EXPECT_EQ(Install(c.scada), 1);
        EXPECT_EQ(ui.Texts(), c.messages);
        EXPECT_EQ(std::filesystem::exists(install + "/KVZdidw.exe"), c.viewFilesCopied);
        EXPECT_EQ(RegReadString(Hive::LocalMachine, kProductKey, "FolderName"), "Brennic");
    }
}

TEST_F(InstallDriverTest, LaterFailuresAreReportedInOrderAndTheResultIsStillOne)
{
    std::string inf = kSampleInf;
    inf.replace(inf.find("CopyFiles = SystemFiles"), 23, "CopyFiles = NoSuchList");
    inf.replace(inf.find("HKLM, %ProductKey%, Version"), 4, "HKXX");
    inf.replace(inf.find("HKLM, %ProductKey%, NodeKind, 0, \"SCADA\""), 4, "HKXX");
    WriteMedia(inf);
    std::filesystem::remove(media + "/KVZOPC.DLL");
    EXPECT_EQ(Install(1), 1);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{
                              AbortedWithCode("Failed to process System files", ENOENT),
                              AbortedWithCode("Failed to commit the file queue", ENOENT),
                              "Failed to do registry stuff",
                              "Failed to add scada registry info",
                          }));
    EXPECT_EQ(ui.messages[2].caption, "INF");
    EXPECT_EQ(ui.messages[3].caption, "INF");
    EXPECT_EQ(ui.messages[1].caption, kCaption);
    EXPECT_EQ(ReadFile(install + "/KVZSPOLL.EXE"), "media KVZSPOLL.EXE");
    EXPECT_FALSE(RegReadString(Hive::LocalMachine, kConfigKey, "DriverExe"));

    ui.Clear();
    inf.replace(inf.find("HKLM, %ProductKey%, NodeKind, 0, \"View\""), 4, "HKXX");
    WriteMedia(inf);
    EXPECT_EQ(Install(0), 1);
    EXPECT_EQ(ui.Texts()[2], "Failed to add view registry info");
}

TEST_F(InstallDriverTest, NewerInstalledFilesSurviveAndOlderOnesAreReplaced)
{
    WriteFile(install + "/KVZdidw.exe", "newer configurator", kMediaTime + 60);
    WriteFile(install + "/KVZSPOLL.EXE", "older engine", kMediaTime - 60);
    WriteFile(install + "/KVZOPC.DLL", "same age", kMediaTime);
    WriteFile(system + "/OPCProxy.dll", "newer proxy", kMediaTime + 60);
    ASSERT_EQ(Install(1, nullptr), 1);
    EXPECT_EQ(ReadFile(install + "/KVZdidw.exe"), "newer configurator");
    EXPECT_EQ(ReadFile(install + "/KVZSPOLL.EXE"), "media KVZSPOLL.EXE");
    EXPECT_EQ(ReadFile(install + "/KVZOPC.DLL"), "media KVZOPC.DLL");
    EXPECT_EQ(ReadFile(system + "/OPCProxy.dll"), "newer proxy");

    WriteFile(system + "/OPCProxy.dll", "older proxy", kMediaTime - 60);
    ASSERT_EQ(Install(1, nullptr), 1);
    EXPECT_EQ(ReadFile(system + "/OPCProxy.dll"), "media OPCProxy.dll");
}

TEST_F(InstallDriverTest, ANullFolderNameMakesNoShortcutsAndNoFolderName)
{
    ASSERT_EQ(Install(1, nullptr), 1);
    EXPECT_TRUE(IsEmptyFolder(programs));
    EXPECT_FALSE(RegReadString(Hive::LocalMachine, kProductKey, "FolderName"));
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, kSharedDlls, system + "/OPCProxy.dll"), 1u);
}

TEST_F(InstallDriverTest, ConfigurationCopyNeedsANameAndNeverReplacesAFile)
{
    for (const char *name : {"", static_cast<const char *>(nullptr)}) {
        ASSERT_EQ(Install(1, nullptr, name), 1);
        EXPECT_TRUE(IsEmptyFolder(config));
    }
    WriteFile(config + "/PLANT.KVZ", "the plant's own");
    ASSERT_EQ(Install(1, nullptr, "PLANT"), 1);
    EXPECT_EQ(ReadFile(config + "/PLANT.KVZ"), "the plant's own");
}

TEST_F(InstallDriverTest, ReadOnlyDefaultAndRuntimeFilesBecomeWritable)
{
    ::chmod((media + "/DEFAULT.KVZ").c_str(), 0444);
    ::chmod((media + "/KVZstext.drv").c_str(), 0444);
    ASSERT_EQ(Install(1, nullptr, "LINE1"), 1);
    struct stat st {
    };
    ASSERT_EQ(::stat((install + "/DEFAULT.KVZ").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
    ASSERT_EQ(::stat((install + "/KVZstext.drv").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
    ASSERT_EQ(::stat((config + "/LINE1.KVZ").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
}

TEST_F(InstallDriverTest, SharedDllCountsRiseByOneOrStartAtOne)
{
    ASSERT_TRUE(RegWriteDword(Hive::LocalMachine, kSharedDlls, system + "/OPCDAAuto.dll", 3));
    ASSERT_TRUE(RegWriteString(Hive::LocalMachine, kSharedDlls, system + "/opccomn_ps.dll", "not a count"));
    ASSERT_EQ(Install(0, nullptr), 1);
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, kSharedDlls, system + "/OPCDAAuto.dll"), 4u);
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, kSharedDlls, system + "/OPCProxy.dll"), 1u);
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kSharedDlls, system + "/opccomn_ps.dll"), "not a count");
    ASSERT_EQ(Install(0, nullptr), 1);
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, kSharedDlls, system + "/OPCDAAuto.dll"), 5u);

    ASSERT_TRUE(RegWriteDword(Hive::LocalMachine, kSharedDlls, system + "/OPCProxy.dll", 0xFFFFFFFFu));
    ASSERT_EQ(Install(0, nullptr), 1);
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, kSharedDlls, system + "/OPCProxy.dll"), 0xFFFFFFFFu);
}
