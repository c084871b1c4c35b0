#include "nio_fixture.h"

#include "driver/poll_engine.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_support.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "wait_until.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace niotest
{

bool DriverSide::CreateBlock()
{
    kvz::ShmResult r =
        kvz::CreateShm("Global\\KVZ_TO_IOC", nio::kControlBlockSize, kvz::ShmExisting::Replace);
    if (!r.handle.valid())
        return false;
    blockHandle_ = std::move(r.handle);
    blockView_ = kvz::MapShm(blockHandle_, nio::kControlBlockSize, nullptr);
    if (!blockView_.valid())
        return false;
    Set16(nio::kCbFirstWord, 1);
    Set16(nio::kCbCmdState, nio::kStateRun);
    Set16(nio::kCbGlobalFlag, 1);
    Set32(nio::kCbWatchdogMs, nio::kWatchdogCreated);
    Set32(nio::kCbMonitorOn, 1);
    return true;
}

uint32_t DriverSide::Get32(size_t offset) const
{
    return nio::LoadField32(block(), offset);
}
uint16_t DriverSide::Get16(size_t offset) const
{
    return nio::LoadField16(block(), offset);
}
void DriverSide::Set32(size_t offset, uint32_t value)
{
    nio::StoreField32(block(), offset, value);
}
void DriverSide::Set16(size_t offset, uint16_t value)
{
    nio::StoreField16(block(), offset, value);
}

bool DriverSide::PublishImage(uint32_t number, const std::vector<uint8_t> &bytes, bool announce)
{
    std::string name = "Global\\KVZ" + std::to_string(number);
    kvz::ShmResult r = kvz::CreateShm(name, bytes.size(), kvz::ShmExisting::Replace);
    if (!r.handle.valid())
        return false;
    kvz::ShmView view = kvz::MapShm(r.handle, bytes.size(), nullptr);
    if (!view.valid())
        return false;
    std::memcpy(view.data(), bytes.data(), bytes.size());
    images_[number] = std::move(view);
    if (announce) {
        Set32(nio::kCbCurrentMap, number);
        Set32(nio::kCbLoadedMap, number);
    }
    return true;
}

void NioTest::SetUp()
{
    static int counter = 0;
    ns_ = "kvztest" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    ::setenv("KVZ_SHM_NAMESPACE", ns_.c_str(), 1);
    nio::ResetForTests();
    nio::SetLogObserver([this](uint16_t level, const std::string &text) { logs_.emplace_back(level, text); });
    nio::SetSleepFunction([this](unsigned ms) {
        sleptMs_ += ms;
        if (onSleep_)
            onSleep_(ms);
    });
}

void NioTest::TearDown()
{
    // A driver this test launched ends with it.
    kvz::ShmResult block = kvz::OpenShm("Global\\KVZ_TO_IOC", nio::kControlBlockSize);
    if (block.handle.valid()) {
        kvz::ShmView view = kvz::MapShm(block.handle, nio::kControlBlockSize, nullptr);
        if (view.valid())
            StopSpoll(view.data());
    }
    nio::ResetForTests();
    nio::SetSleepFunction(nullptr);
    nio::SetLogObserver(nullptr);
    for (pid_t pid : spawned_) {
        if (kvz::ProcessExists(pid)) {
            ::kill(pid, SIGKILL);
            kvz::WaitProcess(pid);
        }
    }
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator("/dev/shm", ec))
        if (entry.path().filename().string().starts_with(ns_ + "."))
            std::filesystem::remove(entry.path(), ec);
    ::unsetenv("KVZ_SHM_NAMESPACE");
}

void NioTest::UseRealSleeps()
{
    nio::SetSleepFunction(nullptr);
}

bool NioTest::Logged(uint16_t level, const std::string &text) const
{
    for (const auto &[l, t] : logs_)
        if (l == level && t == text)
            return true;
    return false;
}

std::vector<std::string> NioTest::LoggedAt(uint16_t level) const
{
    std::vector<std::string> out;
    for (const auto &[l, t] : logs_)
        if (l == level)
            out.push_back(t);
    return out;
}

std::string NioTest::WriteConfigFile(const std::vector<uint8_t> &bytes, const std::string &name)
{
    std::string path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    kvz::RegWriteString(kvz::Hive::CurrentUser, "Software\\Quillmark\\Brennic\\Config", "ConfigFile", path);
    return path;
}

std::string NioTest::RegisterRecordingDriver()
{
    std::filesystem::create_directories(dir_.path() / "drv");
    std::string exe = dir_ / "drv/FAKESPOLL";
    std::ofstream(exe) << "#!/bin/sh\npwd >> launches.txt\n";
    ::chmod(exe.c_str(), 0755);
    kvz::RegWriteString(kvz::Hive::CurrentUser, "Software\\Quillmark\\Brennic\\Config", "DriverExe", exe);
    return exe;
}

int NioTest::LaunchCount() const
{
    std::ifstream in(dir_ / "drv/launches.txt");
    int n = 0;
    for (std::string line; std::getline(in, line);)
        ++n;
    return n;
}

void NioTest::RegisterSpoll()
{
    kvz::RegWriteString(kvz::Hive::CurrentUser, "Software\\Quillmark\\Brennic\\Config", "DriverExe",
                        KVZSPOLL_PATH);
    ::setenv("KVZSPOLL_TICK_MS", "20", 1);
}

bool NioTest::WaitFor(const std::function<bool()> &done, int ms)
{
    return kvz::test::WaitUntil(done, ms);
}

std::string NioTest::ShmPath(const std::string &name) const
{
    return "/dev/shm" + kvz::ShmPosixName(name);
}

void NioTest::StopSpoll(uint8_t *block)
{
    pid_t pid = static_cast<pid_t>(nio::LoadField32(block, spoll::kCbDriverPid));
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    WaitFor([pid] { return !kvz::ProcessExists(pid); });
}

} // namespace niotest
