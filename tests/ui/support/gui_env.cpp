#include "gui_env.h"

#include "driver/poll_engine.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace
{
std::atomic<int> g_counter{0};
} // namespace

GuiEnv::GuiEnv()
{
    ns_ = "kvzgui" + std::to_string(::getpid()) + "x" + std::to_string(g_counter++);
    for (const char *sub : {"user", "machine", "xdg"})
        std::filesystem::create_directories(dir_.path() / sub);
    ::setenv("KVZ_REGISTRY_USER", UserHive().c_str(), 1);
    ::setenv("KVZ_REGISTRY_MACHINE", MachineHive().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    ::setenv("KVZ_SHM_NAMESPACE", ns_.c_str(), 1);
    nio::ResetForTests();
}

GuiEnv::~GuiEnv()
{
    StopSpoll();
    nio::ResetForTests();
    // The driver objects of this namespace.
    for (const char *name : {"Global\\KVZ_TO_IOC", "KVZ_TO_IOC", "Global\\KVZ1", "Global\\KVZ2",
                             "Global\\KVZ3", "KVZ1", "KVZ2", "KVZ3"})
        ::unlink(("/dev/shm" + kvz::ShmPosixName(name)).c_str());
    ::unsetenv("KVZ_SHM_NAMESPACE");
    ::unsetenv("KVZ_REGISTRY_USER");
    ::unsetenv("KVZ_REGISTRY_MACHINE");
}

std::string GuiEnv::Program(const std::string &name)
{
    const char *bin = std::getenv("KVZ_BIN_DIR");
    return std::string(bin ? bin : ".") + "/" + name;
}

void GuiEnv::RegisterSpoll()
{
    kvz::RegWriteString(kvz::Hive::CurrentUser, kvz::ConfigKeyPath(), "DriverExe", Program("KVZSPOLL"));
    ::setenv("KVZSPOLL_TICK_MS", "20", 1);
}

std::string GuiEnv::ConvertCsv(const std::string &csv, const std::string &name)
{
    const char *source = std::getenv("KVZ_TEST_SOURCE_DIR");
    const std::string out = Path(name);
    kvz::SpawnResult r = kvz::SpawnProcess(Program("kvzcfg"),
                                           {"convert", std::string(source ? source : ".") + "/" + csv, out});
    if (r.pid < 0)
        return {};
    std::optional<int> status = kvz::WaitProcess(r.pid);
    return status && *status == 0 ? out : std::string();
}

void GuiEnv::RegisterConfigFile(const std::string &path)
{
    kvz::RegWriteString(kvz::Hive::CurrentUser, kvz::ConfigKeyPath(), "ConfigFile", path);
}

void GuiEnv::StopSpoll()
{
    kvz::ShmResult block = kvz::OpenShm("Global\\KVZ_TO_IOC", nio::kControlBlockSize);
    if (!block.handle.valid())
        return;
    kvz::ShmView view = kvz::MapShm(block.handle, nio::kControlBlockSize, nullptr);
    if (!view.valid())
        return;
    const pid_t pid = static_cast<pid_t>(nio::LoadField32(view.data(), spoll::kCbDriverPid));
    if (pid <= 0 || !kvz::ProcessExists(pid))
        return;
    ::kill(pid, SIGTERM);
    WaitFor([pid] { return !kvz::ProcessExists(pid); });
}

bool GuiEnv::WaitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return done();
}

std::vector<std::pair<std::string, std::string>> GuiEnv::Snapshot() const
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string &root : {UserHive(), MachineHive(), ConfigHome()}) {
        for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            files.emplace_back(entry.path().string(), content.str());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}
