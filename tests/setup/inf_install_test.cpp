#include "platform/registry.h"
#include "setup/inf_install.h"
#include "temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace kvz;
using namespace kvz::setup;

namespace
{

class InfInstall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("KVZ_SYSTEM_DIR", (dir.path() / "sys").c_str(), 1);
        dirids = DirectoryIds();
        ASSERT_EQ(dirids.Set(65701, dir / "install"), 0);
    }
    void TearDown() override { ::unsetenv("KVZ_SYSTEM_DIR"); }

    std::vector<std::pair<std::string, std::string>> Queue(const std::string &text, const char *section,
                                                           SectionResult *result = nullptr)
    {
        FileQueue queue;
        SectionResult r = QueueInfSectionFiles(InfFile::Parse(text), section, dirids, "/media", 8, queue);
        if (result)
            *result = r;
        std::vector<std::pair<std::string, std::string>> out;
        for (const QueuedCopy &c : queue.Items()) {
            EXPECT_EQ(c.flags, 8u);
            out.emplace_back(c.source, c.target);
        }
        return out;
    }

    test::TempDir dir;
    test::ScopedRegistry reg;
    DirectoryIds dirids;
};

const char *kDirs = "[DestinationDirs]\n"
                    "DefaultDestDir = 65701\n"
                    "Sys = 11\n"
                    "Help = 65701, \"Help\\En\"\n";

} // namespace

TEST_F(InfInstall, CopyFilesNamesFileListsAndSingleFilesWithTheirDestinations)
{
    std::string text = std::string(kDirs) + "[Node]\n"
                                            "CopyFiles = Main, Sys\n"
                                            "CopyFiles = Help, @single.dll\n"
                                            "Unknown = ignored\n"
                                            "[Main]\n"
                                            "a.exe\n"
                                            "b.dll, sub\\b_src.dll\n"
                                            "[Sys]\n"
                                            "opc.dll\n"
                                            "[Help]\n"
                                            "h.chm,, tmp, 0x10\n";
    std::string install = dir / "install";
    std::string sys = dir / "sys";
    auto copies = Queue(text, "node");
    std::vector<std::pair<std::string, std::string>> expected = {
        {"/media/a.exe", install + "/a.exe"},           {"/media/sub/b_src.dll", install + "/b.dll"},
        {"/media/opc.dll", sys + "/opc.dll"},           {"/media/h.chm", install + "/Help/En/h.chm"},
        {"/media/single.dll", install + "/single.dll"},
    };
    EXPECT_EQ(copies, expected);
}

TEST_F(InfInstall, AMissingInstallSectionHasNothingToDo)
{
    SectionResult r;
    EXPECT_TRUE(Queue(kDirs, "NtSystem32", &r).empty());
    EXPECT_TRUE(r.ok);
}

TEST_F(InfInstall, ABadLineFailsItsSectionWithNothingQueued)
{
    const char *bad[] = {
        "[Node]\nCopyFiles = Main, Missing\n[Main]\na.exe\n",               // list section missing
        "[Node]\nCopyFiles = Main\n[Main]\na.exe\n\"open\n",                // unterminated quote
        "[Node]\nCopyFiles = Main\n[Main]\na.exe\n..\\up.exe\n",            // destination with a folder
        "[Node]\nCopyFiles = Main\n[Main]\na.exe\nb.exe, ..\\..\\etc\\x\n", // source outside the media
        "[Node]\nCopyFiles = Main\n[Main]\na.exe\nb.exe, /etc/passwd\n",    // absolute source
        "[Node]\nCopyFiles = Main\n[Main]\nkey = a.exe\n",                  // not a file-list line
        "[Node]\nCopyFiles = @..\n",                                        // single file without a name
        "[Node]\nCopyFiles = Main\n\"broken\n[Main]\na.exe\n",              // malformed install section
    };
    for (const char *tail : bad) {
        SCOPED_TRACE(tail);
        SectionResult r;
        EXPECT_TRUE(Queue(std::string(kDirs) + tail, "Node", &r).empty());
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error, 0);
    }
}

TEST_F(InfInstall, ListsNeedADestinationThatResolves)
{
    const char *bad[] = {
        "[DestinationDirs]\nMain = 12\n",           // an id nobody set
        "[DestinationDirs]\nMain = x\n",            // not a number
        "[DestinationDirs]\nMain = 65701, ..\\x\n", // a subfolder that climbs out
        "[DestinationDirs]\nOther = 65701\n",       // neither its own line nor DefaultDestDir
        "",                                         // no [DestinationDirs] at all
    };
    for (const char *dirs : bad) {
        SCOPED_TRACE(dirs);
        SectionResult r;
        EXPECT_TRUE(
            Queue(std::string(dirs) + "[Node]\nCopyFiles = Main\n[Main]\na.exe\n", "Node", &r).empty());
        EXPECT_FALSE(r.ok);
    }
}

TEST_F(InfInstall, AddRegWritesStringsAndNumbersUnderTheThreeRoots)
{
    ASSERT_TRUE(RegWriteString(Hive::LocalMachine, "Software\\Q", "Kept", "old"));
    InfFile inf = InfFile::Parse("[Product]\n"
                                 "AddReg = Reg1, NotThere\n"
                                 "AddReg = Reg2\n"
                                 "[Reg1]\n"
                                 "HKLM, %Key%\\Config, DriverExe, 0, \"%65701%\\KVZSPOLL.EXE\"\n"
                                 "HKLM, %Key%, Count, 0x00010001, 0x10\n"
                                 "HKLM, %Key%, Plain, , text\n"
                                 "HKLM, %Key%, Kept, 2, new\n"
                                 "HKLM, %Key%, Fresh, 0x00000002, new\n"
                                 "HKLM, %Key%\\JustAKey\n"
                                 "[Reg2]\n"
                                 "HKCU, Software\\Q, User, 0x10001, 7\n"
                                 "HKEY_CLASSES_ROOT, KVZ.Server\\CLSID, , 0, \"{1234}\"\n"
                                 "[Strings]\n"
                                 "Key = Software\\Q\n");
    SectionResult r = ApplyInfSectionRegistry(inf, "Product", dirids);
    ASSERT_TRUE(r.ok) << r.line;
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Q\\Config", "DriverExe"),
              (dir / "install") + "\\KVZSPOLL.EXE");
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, "Software\\Q", "Count"), 16u);
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Q", "Plain"), "text");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Q", "Kept"), "old");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Q", "Fresh"), "new");
    EXPECT_EQ(RegReadDword(Hive::CurrentUser, "Software\\Q", "User"), 7u);
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Classes\\KVZ.Server\\CLSID", "@"), "{1234}");
}

TEST_F(InfInstall, ABadRegistryLineFailsItsSectionAndWritesNothing)
{
    const char *bad[] = {
        "HKU, Software\\Q, V, 0, x",                  // a root not supported
        "HKLM, Software\\Q, V, 0x1, 00",              // binary type
        "HKLM, Software\\Q, V, 0x10001, 12x",         // not a number
        "HKLM, Software\\Q, V, 0x10001, 0x100000000", // beyond 32 bits
        "HKLM, Software\\Q, V, 0, \"open",
        "HKLM",
        "HKLM, , V, 0, x",
    };
    for (const char *line : bad) {
        SCOPED_TRACE(line);
        InfFile inf = InfFile::Parse(std::string("[P]\nAddReg = R\n[R]\nHKLM, Software\\Q, First, 0, 1\n") +
                                     line + "\n");
        SectionResult r = ApplyInfSectionRegistry(inf, "P", dirids);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, 5);
        EXPECT_FALSE(RegReadString(Hive::LocalMachine, "Software\\Q", "First"));
    }
}

TEST_F(InfInstall, SourcesAreFoundOnTheMediaWhateverTheirCase)
{
    std::string media = dir / "media";
    std::filesystem::create_directories(media + "/DISK1");
    std::ofstream(media + "/DISK1/KVZOPC.DLL") << "x";
    std::ofstream(media + "/exact.dll") << "x";
    FileQueue queue;
    SectionResult r =
        QueueInfSectionFiles(InfFile::Parse(std::string(kDirs) + "[Node]\nCopyFiles = Main\n"
                                                                 "[Main]\n"
                                                                 "KVZopc.dll, disk1\\kvzopc.dll\n"
                                                                 "exact.dll\n"
                                                                 "absent.dll\n"),
                             "Node", dirids, media, 8, queue);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(queue.Items().size(), 3u);
    EXPECT_EQ(queue.Items()[0].source, media + "/DISK1/KVZOPC.DLL");
    EXPECT_EQ(queue.Items()[0].target, (dir / "install") + "/KVZopc.dll");
    EXPECT_EQ(queue.Items()[1].source, media + "/exact.dll");
    EXPECT_EQ(queue.Items()[2].source, media + "/absent.dll");
}

TEST_F(InfInstall, SourceDisksNameTheFoldersOfSourceFiles)
{
    std::string text = std::string(kDirs) + "[SourceDisksNames]\n"
                                            "1 = \"Disk 1\",,, \\disk1\n"
                                            "2 = \"Disk 2\"\n"
                                            "[SourceDisksFiles]\n"
                                            "a.dll = 1\n"
                                            "b.dll = 1, sub\n"
                                            "c.dll = 2, \"x\\y\"\n"
                                            "[Node]\nCopyFiles = Main, @a.dll\n"
                                            "[Main]\na.dll\nb.dll\nc.dll\nd.dll\n";
    auto copies = Queue(text, "Node");
    ASSERT_EQ(copies.size(), 5u);
    EXPECT_EQ(copies[0].first, "/media/disk1/a.dll");
    EXPECT_EQ(copies[1].first, "/media/disk1/sub/b.dll");
    EXPECT_EQ(copies[2].first, "/media/x/y/c.dll");
    EXPECT_EQ(copies[3].first, "/media/d.dll");
    EXPECT_EQ(copies[4].first, "/media/disk1/a.dll");

    SectionResult r;
    EXPECT_TRUE(Queue(std::string(kDirs) +
                          "[SourceDisksNames]\n1 = d,,, ..\\..\n[SourceDisksFiles]\na.dll = 1\n"
                          "[Node]\nCopyFiles = Main\n[Main]\na.dll\n",
                      "Node", &r)
                    .empty());
    EXPECT_FALSE(r.ok);
}
