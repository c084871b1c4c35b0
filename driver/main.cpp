// KVZSPOLL: the stand-in poll engine. Started by the configurator through "DriverExe"; ends cleanly
// on SIGTERM or SIGINT. KVZSPOLL_TICK_MS sets the step (default 100 ms). Controllers are polled
// through libFerrolink; KVZSPOLL_NETWORK=plant lets it reach any address, otherwise only loopback and
// the addresses of this network namespace (tests and the demo run it in namespaces of their own).
#include "driver/live_polling.h"
#include "driver/poll_engine.h"
#include "driver/request_port.h"
#include "driver/service_notify.h"
#include "niolib/nio_support.h"
#include "platform/driver_identity.h"
#include "platform/ui_services.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace
{

volatile std::sig_atomic_t g_stop = 0;

// Exit status when the request port cannot be owned (the service manager restarts the unit).
constexpr int kNoRequestPort = 3;

void OnSignal(int)
{
    g_stop = 1;
}

// Every diagnostic goes to stderr once, from the log observer; nothing is shown as a box.
class SilentUi : public kvz::StderrUi
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &) override { return kvz::MsgResult::Ok; }
};

unsigned TickMs()
{
    const char *v = std::getenv("KVZSPOLL_TICK_MS");
    long ms = v ? std::strtol(v, nullptr, 10) : 0;
    return ms > 0 && ms <= 10000 ? static_cast<unsigned>(ms) : 100;
}

spoll::AddressPolicy PolicyFromEnvironment()
{
    const char *v = std::getenv("KVZSPOLL_NETWORK");
    return v && std::string(v) == "plant" ? spoll::AddressPolicy::Any : spoll::AddressPolicy::LocalOnly;
}

class Adapter : public spoll::ImageUser
{
public:
    explicit Adapter(spoll::LivePolling &polling) : polling_(polling) {}
    void ImageTaken() override { polling_.TakeImage(); }
    void ImageLeaving() override { polling_.LeaveImage(); }

private:
    spoll::LivePolling &polling_;
};

constexpr const char *kUsage =
    "Usage: KVZSPOLL [--help | --version]\n"
    "The poll engine of the KVZ driver: attaches to the driver control block, loads the startup\n"
    "configuration named by the registry value \"ConfigFile\" and polls its controllers until SIGTERM or\n"
    "SIGINT. Started by the configurator (registry value \"DriverExe\") or as the service kvzspoll.\n"
    "Environment: KVZSPOLL_TICK_MS (step, default 100), KVZSPOLL_NETWORK=plant (reach any address),\n"
    "KVZ_REGISTRY_USER, KVZ_REGISTRY_MACHINE, KVZ_SHM_NAMESPACE.\n";

// The engine takes no arguments: --help and --version answer and end; anything else is bad usage.
int CommandLineExit(int argc, char **argv)
{
    if (argc < 2)
        return -1;
    if (std::strcmp(argv[1], "--version") == 0 && argc == 2) {
        std::printf("%s\n", kvz::ProgramVersionLine("KVZSPOLL").c_str());
        return 0;
    }
    if ((std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) && argc == 2) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (int status = CommandLineExit(argc, argv); status >= 0)
        return status;

    struct sigaction sa {
    };
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    static SilentUi ui;
    kvz::SetUi(&ui);
    nio::SetLogObserver([](uint16_t level, const std::string &text) {
        std::fprintf(stderr, "KVZSPOLL %u: %s\n", static_cast<unsigned>(level), text.c_str());
    });

    spoll::PollEngine engine;
    switch (engine.Attach()) {
    case spoll::AttachResult::Attached:
        break;
    case spoll::AttachResult::NoBlock:
        std::fprintf(stderr, "KVZSPOLL: the driver control block cannot be opened\n");
        return 1;
    case spoll::AttachResult::AnotherEngineRuns:
        std::fprintf(stderr, "KVZSPOLL: another poll engine serves this control block\n");
        return 0;
    }
    spoll::LivePolling polling(engine.ControlBlock(), PolicyFromEnvironment());
    Adapter adapter(polling);
    engine.SetImageUser(&adapter);
    // Without its own request port the engine does not run: clients would reach whoever made it.
    spoll::RequestPort port;
    std::string why;
    if (!port.Open([&](const std::string &request) { return polling.Answer(request); }, why)) {
        std::fprintf(stderr, "KVZSPOLL: cannot own the request port %s: %s\n",
                     spoll::RequestPortPath().c_str(), why.c_str());
        engine.Shutdown();
        return kNoRequestPort;
    }
    const auto tick = std::chrono::milliseconds(TickMs());
    engine.Tick(); // the heartbeat moves before the service counts as started
    spoll::NotifyServiceManager("READY=1");
    while (!g_stop) {
        std::this_thread::sleep_for(tick);
        engine.Tick();
    }
    spoll::NotifyServiceManager("STOPPING=1");
    port.Close();
    engine.Shutdown();
    return 0;
}
