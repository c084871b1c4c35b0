#include "niolib/nio_state.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

using namespace nio;
using namespace nio::detail;

namespace
{
constexpr int kStateWaits = 100; // of 50 ms: 5 s
constexpr unsigned kStateWaitMs = 50;
constexpr int kAlive = 0;
constexpr int kNotAlive = 100;

bool Attached()
{
    return S().ditMapped && S().cbView.valid();
}
} // namespace

int nio_StartStop(int run)
{
    nio_log(39, "nio_StartStop()");
    if (!S().cbView.valid()) {
        init_dit();
        if (!S().cbView.valid())
            return 0;
    }
    uint16_t wanted = run ? kStateRun : kStateStop;
    CbStore16(kCbCmdState, wanted);
    for (int i = 0; i < kStateWaits; ++i) {
        Sleep(kStateWaitMs);
        if (CbLoad16(kCbRunState) == wanted)
            return 1;
    }
    nio_log(70, "nio_stop() Failed !");
    return 0;
}

int ReloadConfiguration(const char *path, const char *acronym)
{
    nio_log(23, "ReloadConfiguration(%s,%s)", path ? path : "", acronym ? acronym : "");
    if (nio_StartStop(0))
        nio_StartStop(1);
    return 1;
}

int LoadConfiguration(const char *path, const char *acronym)
{
    nio_log(23, "LoadConfiguration(%s,%s)", path ? path : "", acronym ? acronym : "");
    return 1;
}

void nio_connect()
{
    State &s = S();
    if (!Attached())
        return;
    CbStore32(kCbWatchdogMs, kWatchdogClient);
    uint32_t clients = CbAdd32(kCbClients, 1);
    nio_log(39, "Conneting %d Clients Connected", static_cast<int>(clients));
    ++s.localRegistrations;
}

void nio_disconnect()
{
    State &s = S();
    // Only what this process registered is taken back: the count is shared by every client.
    if (!Attached() || s.localRegistrations <= 0)
        return;
    CbStore32(kCbWatchdogMs, kWatchdogClient);
    uint32_t clients = CbAdd32(kCbClients, static_cast<uint32_t>(-1));
    if (clients == 0)
        nio_log(39, "Disconnected %s", s.appName.c_str());
    else
        nio_log(39, "Disconnecting %s %d Clients Connected", s.appName.c_str(), static_cast<int>(clients));
    if (--s.localRegistrations == 0) {
        UnMapDIT();
        UnMapDriver();
    }
}

void nio_keep_alive()
{
    if (Attached())
        CbStore32(kCbWatchdogMs, kWatchdogClient);
}

int nio_driver_alive()
{
    State &s = S();
    if (!Attached())
        return kNotAlive;
    uint32_t heartbeat = CbLoad32(kCbHeartbeat);
    if (heartbeat != s.lastHeartbeat) {
        s.lastHeartbeat = heartbeat;
        return kAlive;
    }
    Sleep(kStateWaitMs);
    heartbeat = CbLoad32(kCbHeartbeat);
    if (heartbeat != s.lastHeartbeat) {
        s.lastHeartbeat = heartbeat;
        return kAlive;
    }
    return kNotAlive;
}

uint32_t nio_get_owner_window()
{
    nio_map_hdr();
    return Attached() ? CbLoad32(kCbOwnerWindow) : 0;
}

void nio_set_owner_window(uint32_t window)
{
    if (!Attached()) {
        nio_map_hdr();
        if (!Attached())
            return;
    }
    CbStore32(kCbOwnerWindow, window);
}
