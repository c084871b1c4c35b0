// kvzcfg as engineers and scripts run it: real files, real registry hives, exit codes and streams.
#include "platform/registry.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

size_t CountLines(const std::string &text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

class KvzcfgTest : public ::testing::Test
{
protected:
    void SetUp() override { ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1); }
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }

    Outcome Kvzcfg(const std::string &args)
    {
        std::string command =
            "cd '" + dir_.path().string() + "' && '" KVZCFG_PATH "' " + args + " >out.txt 2>err.txt";
        int raw = std::system(command.c_str());
        Outcome r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(dir_ / "out.txt");
        r.err = ReadFile(dir_ / "err.txt");
        return r;
    }
    std::string Demo() { return std::string(std::getenv("KVZ_TEST_SOURCE_DIR")) + "/demo/DEMO.csv"; }

    kvz::test::ScopedRegistry registry_;
    kvz::test::TempDir dir_;
};

TEST_F(KvzcfgTest, BadUsageGivesTwoAndTheUsage)
{
    for (const char *args :
         {"", "frobnicate", "convert only-one.csv", "dump", "dump a.KVZ b.KVZ", "convert --bogus a b"}) {
        Outcome r = Kvzcfg(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    Outcome help = Kvzcfg("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    Outcome version = Kvzcfg("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("7.10.58.2"), std::string::npos);
}

TEST_F(KvzcfgTest, ConvertsTheDemoPlantBothWaysAndDumpsIt)
{
    Outcome toBinary = Kvzcfg("convert '" + Demo() + "' DEMO.KVZ");
    EXPECT_EQ(toBinary.status, 0) << toBinary.err;
    EXPECT_EQ(toBinary.err, "");

    Outcome dump = Kvzcfg("dump DEMO.KVZ");
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(CountLines(dump.out), 3u + 7u + 13u); // channels, devices, poll records
    EXPECT_NE(dump.out.find("device KILN: description=\"Kiln controller (S5)\" plc_type=\"S5 Series\""),
              std::string::npos);
    EXPECT_NE(dump.out.find("start=\"DB:3:0\" end=\"DB:3:63\" length=\"64\""), std::string::npos);

    Outcome toCsv = Kvzcfg("convert DEMO.KVZ back.csv");
    EXPECT_EQ(toCsv.status, 0) << toCsv.err;
    Outcome again = Kvzcfg("convert back.csv AGAIN.kvz");
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadFile(dir_ / "AGAIN.kvz"), ReadFile(dir_ / "DEMO.KVZ"));
    Outcome csvDump = Kvzcfg("dump back.csv");
    EXPECT_EQ(csvDump.status, 0);
    EXPECT_EQ(CountLines(csvDump.out), CountLines(dump.out));
}

TEST_F(KvzcfgTest, ErrorsShownGiveOneWithOneLinePerMessage)
{
    WriteFile(dir_ / "notes.txt", "x");
    Outcome wrongType = Kvzcfg("convert notes.txt OUT.KVZ");
    EXPECT_EQ(wrongType.status, 1);
    EXPECT_EQ(wrongType.err, "KVZ: Invalid File Type specified.\n");

    Outcome missing = Kvzcfg("dump NONE.KVZ");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("NONE.KVZ"), std::string::npos);

    WriteFile(dir_ / "BAD.KVZ", std::string(200, '\0'));
    Outcome corrupt = Kvzcfg("dump BAD.KVZ");
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_EQ(corrupt.err, "WARNING ! 0: Older File Format, Please save & re-open\n"
                           "The Configuration file is corrupt, Please re-save: File Read Error\n");
    Outcome corruptConvert = Kvzcfg("convert BAD.KVZ OUT.KVZ");
    EXPECT_EQ(corruptConvert.status, 1);
    EXPECT_EQ(corruptConvert.err, corrupt.err);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "OUT.KVZ"));

    Outcome noFolder = Kvzcfg("convert '" + Demo() + "' missing/OUT.CSV");
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_NE(noFolder.err.find("File Save Failed: missing/OUT.CSV: No such file or directory"),
              std::string::npos)
        << noFolder.err;

    Outcome wrongTarget = Kvzcfg("convert '" + Demo() + "' OUT.txt");
    EXPECT_EQ(wrongTarget.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "OUT.txt"));
}

TEST_F(KvzcfgTest, AnImportThatWroteItsErrorFileGivesOne)
{
    // The error file goes to the installed database folder (a folder other than the working one).
    std::filesystem::create_directory(dir_ / "pdb");
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\Config",
                                    "DriverExe", "/opt/KVZSPOLL"));
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "PDBPATH",
                                    dir_ / "pdb"));
    std::string csv = ReadFile(Demo());
    csv.replace(csv.find("1,BOILER1"), 9, "1,NOBODY");
    WriteFile(dir_ / "IN.CSV", csv);
    Outcome r = Kvzcfg("convert IN.CSV OUT.KVZ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1 Errors detected during import. Errors reported to file"), std::string::npos)
        << r.err;
    EXPECT_EQ(CountLines(r.err), 1u);
    EXPECT_NE(ReadFile(dir_ / "pdb/KVZDIDW.ERR").find("DEVICE NAME  not found. Line ignored!"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "OUT.KVZ")); // what could be read is still converted
}

// Lines that once vanished without a word: each now gives its line of the error file and exit 1,
// and what could be read is still converted.
TEST_F(KvzcfgTest, EveryInputLineNotTakenIsReportedAndGivesOne)
{
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\Config",
                                    "DriverExe", "/opt/KVZSPOLL"));
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "PDBPATH",
                                    dir_.path().string()));
    const std::string head = "!CHANNEL\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n"
                             "!DEVICE NAME\n"
                             "P1,1,,E10.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED\n"
                             "K5,1,,E10.0.0.2,READREAD,WRITWRIT,S5 Series,EDISABLED,DISABLED,DISABLED\n"
                             "!IOREC\n1,P1,Byte,1.0,300.0,Disabled,0.00000,MB0,4\n";
    const struct {
        const char *line;
        const char *error; // the text after "Line Number   8 : "
    } cases[] = {
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,M1048582,16",
         "Invalid Start Address\n\r(Valid Range:  0 - 1048575 )"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,M1048570,16",
         "Invalid Start Address\n\r(Valid Range:  0 - 1048575 )"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,X5,1", "Invalid Address X5\n\r(Unknown Memory Type)"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,DB10,4", "Invalid Address DB10\n\r(Separator Missing)"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,MW,2", "Invalid Address MW\n\r(Address Number Missing)"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,,2", "No Address entered"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,DB70000.B0,2",
         "Invalid Data Block Number\n\r(Valid Range:  0 - 65535 )"},
        {"1,K5,Word,1.0,300.0,Disabled,0.00000,DB:256:0,2",
         "Invalid Data Block Number\n\r(Valid Range:  0 - 255 )"},
        {"1,P1,Byte,1.0,300.0,Disabled,0.00000,M10", "LENGTH not found. Line ignored."},
        {"1,P1,Byte,1.0,300.0,Disabled", "DEAD BAND not found. Line ignored."},
        {"1,NOBODY,Byte,1.0,300.0,Disabled,0.00000,M10,1", "DEVICE NAME  not found. Line ignored!"},
        {"Q1,9,,E10.0.0.9,R,W,S7 300,EDISABLED,DISABLED,DISABLED",
         "No section keyword line (!CHANNEL, !DEVICE NAME or !IOREC) before this line. Line ignored."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        std::filesystem::remove(dir_ / "OUT.KVZ");
        std::filesystem::remove(dir_ / "KVZDIDW.ERR");
        // The line outside every section is put in front of the first keyword line.
        bool outside = std::string(c.line).starts_with("Q1");
        WriteFile(dir_ / "IN.CSV",
                  outside ? std::string("\n\n\n\n\n\n\n") + c.line + "\n" + head : head + c.line + "\n");
        Outcome r = Kvzcfg("convert IN.CSV OUT.KVZ");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("1 Errors detected during import"), std::string::npos) << r.err;
        std::string expected = std::string("Line Number   8 : ") + c.error + "\n";
        for (size_t lf = expected.find('\n'); lf != std::string::npos; lf = expected.find('\n', lf + 2))
            expected.replace(lf, 1, "\r\n"); // the file is written in text mode
        EXPECT_EQ(ReadFile(dir_ / "KVZDIDW.ERR"), expected);
        EXPECT_TRUE(std::filesystem::exists(dir_ / "OUT.KVZ"));
    }

    // An error file that cannot be written loses the lines' messages, not the word and the status.
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "PDBPATH",
                                    dir_ / "gone"));
    WriteFile(dir_ / "IN.CSV", head + cases[0].line + "\n");
    Outcome r = Kvzcfg("convert IN.CSV OUT.KVZ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1 input line was not taken and the import error file"), std::string::npos) << r.err;
}

// A line at the last byte a 20-bit S7 address holds: taken without a word (exit 0) when its LENGTH
// fits, reported once and counted once when it does not.
TEST_F(KvzcfgTest, ALineAtTheByteRangesEndIsJudgedOnceWithItsLength)
{
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\Config",
                                    "DriverExe", "/opt/KVZSPOLL"));
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "PDBPATH",
                                    dir_.path().string()));
    const std::string head = "!CHANNEL\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n"
                             "!DEVICE NAME\n"
                             "P1,1,,E10.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED\n"
                             "!IOREC\n";
    WriteFile(dir_ / "IN.CSV", head + "1,P1,Byte,1.0,300.0,Disabled,0.00000,MW1048575,1\n"
                                      "2,P1,Byte,1.0,300.0,Disabled,0.00000,MD1048570,4\n");
    Outcome taken = Kvzcfg("convert IN.CSV OUT.KVZ");
    EXPECT_EQ(taken.status, 0) << taken.err;
    EXPECT_EQ(taken.err, "");
    Outcome dump = Kvzcfg("dump OUT.KVZ");
    EXPECT_NE(dump.out.find("start=\"M1048575\" end=\"M1048575\" length=\"1\""), std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find("start=\"M1048570\" end=\"M1048573\" length=\"4\""), std::string::npos)
        << dump.out;

    WriteFile(dir_ / "IN.CSV", head + "1,P1,Byte,1.0,300.0,Disabled,0.00000,QW1048575,3\n");
    Outcome refused = Kvzcfg("convert IN.CSV OUT.KVZ");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("1 Errors detected during import"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(dir_ / "KVZDIDW.ERR"),
              "Line Number   6 : Invalid Start Address\r\n\r(Valid Range:  0 - 1048575 )\r\n");
}

TEST_F(KvzcfgTest, AConfigurationWithoutPollRecordsCannotBeSaved)
{
    WriteFile(dir_ / "EMPTY.CSV", "!CHANNEL\n1,Yes,5.0,10.0,3,TCP/IP,eth0\n");
    Outcome r = Kvzcfg("convert EMPTY.CSV OUT.KVZ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no poll record"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "OUT.KVZ"));
}

// kvzcfg asks nothing: the startup question is answered by --startup, and the outcome is one line.
TEST_F(KvzcfgTest, TheStartupFileIsAnsweredByTheCommandLineAndTheAnswerIsShown)
{
    const char *key = "Software\\Quillmark\\Brennic\\Config";
    const std::string demo = (std::filesystem::canonical(dir_.path()) / "DEMO.KVZ").string();
    Outcome none = Kvzcfg("convert '" + Demo() + "' DEMO.KVZ");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.err, "");
    EXPECT_FALSE(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile").has_value());

    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::CurrentUser, key, "ConfigFile", "/elsewhere/PLANT.KVZ"));
    Outcome no = Kvzcfg("convert '" + Demo() + "' DEMO.KVZ");
    EXPECT_EQ(no.status, 0);
    EXPECT_EQ(no.err.find("?"), std::string::npos) << no.err;
    EXPECT_EQ(no.err.find("Warning !"), std::string::npos) << no.err;
    EXPECT_EQ(no.err, "kvzcfg: DEMO.KVZ"
                      " not made the startup file; the driver starts with /elsewhere/PLANT.KVZ (--startup "
                      "makes it the startup file)\n");
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile"), "/elsewhere/PLANT.KVZ");

    // A save that fails leaves the startup file as it was, though Yes was the answer.
    Outcome failed = Kvzcfg("convert '" + Demo() + "' missing/DEMO.KVZ --startup");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err.find("kept as startup file"), std::string::npos) << failed.err;
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile"), "/elsewhere/PLANT.KVZ");

    // A CSV file is never the driver's startup file.
    Outcome csv = Kvzcfg("convert '" + Demo() + "' OUT.csv --startup");
    EXPECT_EQ(csv.status, 1);
    EXPECT_NE(csv.err.find("OUT.csv not made the startup file"), std::string::npos) << csv.err;
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile"), "/elsewhere/PLANT.KVZ");

    // Yes, by its absolute name; and again with the same file, which asks nothing.
    for (int run = 0; run < 2; ++run) {
        Outcome yes = Kvzcfg("convert '" + Demo() + "' DEMO.KVZ --startup");
        EXPECT_EQ(yes.status, 0);
        EXPECT_EQ(yes.err, "kvzcfg: DEMO.KVZ kept as startup file\n") << run;
        EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile"), demo);
    }

    // Without --startup, the startup file named relatively is still the startup file: nothing to say.
    Outcome same = Kvzcfg("convert '" + Demo() + "' DEMO.KVZ");
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.err, "");
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile"), demo);

    // With no startup file registered, --startup makes one.
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::CurrentUser, key, "ConfigFile", ""));
    EXPECT_EQ(Kvzcfg("convert '" + Demo() + "' DEMO.KVZ --startup").status, 0);
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, key, "ConfigFile"), demo);
}

} // namespace

TEST_F(KvzcfgTest, RegistryValuesAreSetAndReadPerHive)
{
    const std::string key = "'Software\\Quillmark\\Brennic\\Config'";
    EXPECT_EQ(Kvzcfg("registry set " + key + " ConfigFile /plant/A.KVZ").status, 0);
    EXPECT_EQ(Kvzcfg("registry set --machine " + key + " ConfigFile /plant/M.KVZ").status, 0);
    Outcome user = Kvzcfg("registry get " + key + " configfile");
    EXPECT_EQ(user.status, 0);
    EXPECT_EQ(user.out, "/plant/A.KVZ\n");
    EXPECT_EQ(Kvzcfg("registry get --machine " + key + " ConfigFile").out, "/plant/M.KVZ\n");

    ASSERT_TRUE(kvz::RegWriteDword(kvz::Hive::LocalMachine, "Software\\Counts", "lib.so", 3000000000u));
    EXPECT_EQ(Kvzcfg("registry get --machine 'Software\\Counts' lib.so").out, "3000000000\n");

    Outcome absent = Kvzcfg("registry get " + key + " DriverExe");
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.out, "");
    EXPECT_EQ(Kvzcfg("registry get " + key).status, 2);
    EXPECT_EQ(Kvzcfg("driver").status, 2);
}

// The driver monitor against a real KVZSPOLL launched from "DriverExe", in shared memory of its own.
TEST_F(KvzcfgTest, DriverStatusReloadAndMessagesFollowALiveDriver)
{
    const std::string ns = "kvzcfgtest" + std::to_string(::getpid());
    ::setenv("KVZ_SHM_NAMESPACE", ns.c_str(), 1);
    const std::string key = "Software\\Quillmark\\Brennic\\Config";
    ASSERT_EQ(Kvzcfg("convert '" + Demo() + "' DEMO.KVZ").status, 0);
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::CurrentUser, key, "ConfigFile", dir_ / "DEMO.KVZ"));
    ASSERT_TRUE(kvz::RegWriteString(kvz::Hive::CurrentUser, key, "DriverExe", KVZSPOLL_PATH));

    Outcome status = Kvzcfg("driver status");
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("heartbeat: moving\ncurrent_map: 1\nloaded_map: 1\n"), std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find("channel 2: TX="), std::string::npos) << status.out;
    EXPECT_EQ(status.out.find("channel 3:"), std::string::npos) << status.out;

    EXPECT_EQ(Kvzcfg("driver reload").status, 0);
    EXPECT_NE(Kvzcfg("driver status").out.find("current_map: 2\nloaded_map: 2\n"), std::string::npos);
    Outcome messages = Kvzcfg("driver messages --all");
    EXPECT_EQ(messages.status, 0);
    EXPECT_NE(messages.out.find("23\tKVZSPOLL reloaded map 2\n"), std::string::npos) << messages.out;

    // The engine keeps its process id in the control block; end it and leave no object behind.
    std::ifstream block("/dev/shm/" + ns + ".Global.KVZ_TO_IOC", std::ios::binary);
    uint8_t pidBytes[4] = {};
    block.seekg(36);
    block.read(reinterpret_cast<char *>(pidBytes), 4);
    pid_t pid = static_cast<pid_t>(pidBytes[0] | pidBytes[1] << 8 | pidBytes[2] << 16 | pidBytes[3] << 24);
    if (pid > 0)
        ::kill(pid, SIGTERM);
    for (int i = 0; i < 100 && pid > 0 && ::kill(pid, 0) == 0; ++i)
        ::usleep(50000);
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator("/dev/shm", ec)) {
        if (entry.path().filename().string().starts_with(ns + "."))
            std::filesystem::remove(entry.path(), ec);
    }
    ::unsetenv("KVZ_SHM_NAMESPACE");
}
