// A save killed at any instant: kvzcfg convert is stopped with SIGKILL at the entry of every system
// call of its save of a large configuration over an existing file. The target is always either the
// old file or the complete new one, byte for byte; what a killed save leaves beside it is cleaned up
// by the next save.
#include "platform/registry.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// 16 channels of 15 S7 devices with 10 data-block records of 220 bytes each: 2400 poll records, a
// file of about 1.8 MB. `firstLength` changes the first record, so that two saves differ.
std::string LargeConfiguration(int firstLength)
{
    std::string csv = "!CHANNEL\n";
    for (int c = 1; c <= 16; ++c)
        csv += std::to_string(c) + ",Yes,5.0,10.0,3,TCP/IP,eth0\n";
    csv += "!DEVICE NAME\n";
    for (int c = 1; c <= 16; ++c)
        for (int d = 0; d < 15; ++d)
            csv += "C" + std::to_string(c) + "D" + std::to_string(d) + "," + std::to_string(c) + ",,E10.0." +
                   std::to_string(c) + "." + std::to_string(d + 1) +
                   ",R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED\n";
    csv += "!IOREC\n";
    for (int c = 1; c <= 16; ++c)
        for (int d = 0; d < 15; ++d)
            for (int r = 0; r < 10; ++r) {
                int length = c == 1 && d == 0 && r == 0 ? firstLength : 220;
                csv += "1,C" + std::to_string(c) + "D" + std::to_string(d) + ",Byte,1.0,300.0,Disabled,0,DB" +
                       std::to_string(r + 1) + ".B0," + std::to_string(length) + "\n";
            }
    return csv;
}

struct Traced {
    int calls = 0; // system calls entered
    bool killed = false;
    int exitStatus = -1;
};

// Runs kvzcfg with `args` under ptrace. At the entry of its k-th system call (k from 1), before the
// call has any effect, `killHere(k)` may end it with SIGKILL.
Traced RunTraced(const std::vector<std::string> &args, const std::function<bool(int)> &killHere)
{
    std::vector<char *> argv{const_cast<char *>(KVZCFG_PATH)};
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    Traced result;
    pid_t pid = ::fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::raise(SIGSTOP);
        ::execv(KVZCFG_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0); // the SIGSTOP before exec
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr,
             reinterpret_cast<void *>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    bool inCall = false;
    int deliver = 0;
    for (;;) {
        ::ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void *>(static_cast<intptr_t>(deliver)));
        deliver = 0;
        if (::waitpid(pid, &status, 0) != pid)
            break;
        if (WIFEXITED(status)) {
            result.exitStatus = WEXITSTATUS(status);
            break;
        }
        if (WIFSIGNALED(status)) {
            result.killed = WTERMSIG(status) == SIGKILL;
            break;
        }
        int sig = WSTOPSIG(status);
        if (sig == (SIGTRAP | 0x80)) {
            inCall = !inCall;
            if (inCall && killHere(++result.calls)) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                result.killed = true;
                break;
            }
        } else if (sig != SIGTRAP) { // SIGTRAP: the exec itself
            deliver = sig;
        }
    }
    return result;
}

std::set<std::string> Names(const std::filesystem::path &dir)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

class InterruptedSaveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        in_ = dir_ / "IN.CSV";
        target_ = dir_ / "TARGET.KVZ";
    }
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }

    // The target as a save of `firstLength` leaves it.
    std::string Saved(int firstLength)
    {
        WriteFile(in_, LargeConfiguration(firstLength));
        Traced run = RunTraced({"convert", in_, target_}, [](int) { return false; });
        EXPECT_EQ(run.exitStatus, 0);
        return ReadFile(target_);
    }

    kvz::test::ScopedRegistry registry_;
    kvz::test::TempDir dir_;
    std::string in_, target_;
};

TEST_F(InterruptedSaveTest, AKillAtAnySystemCallLeavesTheOldFileOrTheNewOneAndNothingInTheWay)
{
    const std::string oldFile = Saved(100);
    const std::string newFile = Saved(200);
    ASSERT_GT(newFile.size(), 1'000'000u);
    ASSERT_NE(oldFile, newFile);
    const std::set<std::string> settled{"IN.CSV", "TARGET.KVZ"};
    ASSERT_EQ(Names(dir_.path()), settled);

    // A full run over the old file, watching the folder at every system call: the save begins with
    // the first call after which the folder holds anything new.
    WriteFile(target_, oldFile);
    int firstChange = 0;
    Traced full = RunTraced({"convert", in_, target_}, [&](int k) {
        if (firstChange == 0 && Names(dir_.path()) != settled)
            firstChange = k - 1;
        return false;
    });
    ASSERT_EQ(full.exitStatus, 0);
    ASSERT_GT(firstChange, 0) << "the save made no temporary file";
    ASSERT_EQ(ReadFile(target_), newFile);

    // Killed at the entry of every call from just before the save to the end of the program.
    int leftBehind = 0;
    for (int k = firstChange - 2; k <= full.calls; ++k) {
        SCOPED_TRACE("killed at system call " + std::to_string(k) + " of " + std::to_string(full.calls));
        WriteFile(target_, oldFile);
        Traced run = RunTraced({"convert", in_, target_}, [&](int call) { return call == k; });
        ASSERT_TRUE(run.killed);
        std::string now = ReadFile(target_);
        ASSERT_TRUE(now == oldFile || now == newFile)
            << "the target is neither file (" << now.size() << " bytes)";
        std::set<std::string> names = Names(dir_.path());
        for (const std::string &name : names)
            if (!settled.contains(name)) {
                ASSERT_TRUE(name.starts_with(".TARGET.KVZ.")) << name;
                ++leftBehind;
            }
        // A kill leaves at most its own temporary file: what an earlier one left was cleaned up.
        ASSERT_LE(names.size(), settled.size() + 1);
    }
    EXPECT_GT(leftBehind, 0) << "no kill fell inside the save";

    // A temporary file left behind is no obstacle: the next save goes through and removes it.
    Traced after = RunTraced({"convert", in_, target_}, [](int) { return false; });
    EXPECT_EQ(after.exitStatus, 0);
    EXPECT_EQ(ReadFile(target_), newFile);
    EXPECT_EQ(Names(dir_.path()), settled);
}

} // namespace
