// KVZSPOLL: the stand-in poll engine. Started by the configurator through "DriverExe"; ends cleanly
// on SIGTERM or SIGINT. KVZSPOLL_TICK_MS sets the step (default 100 ms).
#include "driver/poll_engine.h"
#include "niolib/nio_support.h"
#include "platform/ui_services.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace
{

volatile std::sig_atomic_t g_stop = 0;

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

} // namespace

int main()
{
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
    const auto tick = std::chrono::milliseconds(TickMs());
    while (!g_stop) {
        engine.Tick();
        std::this_thread::sleep_for(tick);
    }
    engine.Shutdown();
    return 0;
}
