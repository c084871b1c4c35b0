#include "niolib/nio_state.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <cstring>
#include <string>

using namespace nio;
using namespace nio::detail;

namespace
{

// Opens the block, or creates it under the global name, or under the local one when the global
// creation is refused. `created`/`global` tell what happened.
kvz::ShmResult OpenOrCreateBlock(bool &created, bool &global)
{
    std::string local = std::string(kAcronym) + "_TO_IOC";
    std::string globalName = "Global\\" + local;
    created = false;
    global = false;

    kvz::ShmResult r = kvz::OpenShm(local, kControlBlockSize);
    if (r.handle.valid())
        return r;
    r = kvz::CreateShm(globalName, kControlBlockSize, kvz::ShmExisting::Open);
    if (r.status == kvz::ShmStatus::AccessDenied) {
        r = kvz::CreateShm(local, kControlBlockSize, kvz::ShmExisting::Open);
        if (r.status == kvz::ShmStatus::AccessDenied)
            nio_log(70, "MapToDriver() FAILED");
    } else {
        global = true;
    }
    created = r.status == kvz::ShmStatus::Created;
    return r;
}

void InitialiseNewBlock(bool global)
{
    std::memset(Cb(), 0, kControlBlockSize);
    CbStore16(kCbFirstWord, 1);
    CbStore16(kCbCmdState, kStateRun);
    CbStore32(kCbWatchdogMs, kWatchdogCreated);
    CbStore32(kCbMonitorOn, 1);
    CbStore16(kCbGlobalFlag, global ? 1 : 0);
}

} // namespace

uint8_t *MapToDriver(int launch)
{
    State &s = S();
    if (s.cbView.valid())
        return s.cbView.data();

    bool created = false;
    bool global = false;
    if (!s.cbHandle.valid()) {
        kvz::ShmResult r = OpenOrCreateBlock(created, global);
        if (!r.handle.valid())
            return nullptr;
        s.cbHandle = std::move(r.handle);
    }
    int error = 0;
    s.cbView = kvz::MapShm(s.cbHandle, kControlBlockSize, &error);
    if (!s.cbView.valid()) {
        s.cbHandle.Close();
        return nullptr;
    }

    if (!created) {
        uint32_t heartbeat = CbLoad32(kCbHeartbeat);
        Sleep(200);
        CbAdd32(kCbAttachCount, 1);
        if (CbLoad32(kCbHeartbeat) == heartbeat && launch) {
            nio_log(23, "MapToDriver() Re-Launching");
            LaunchDriver();
        }
    } else {
        InitialiseNewBlock(global && created);
        if (launch)
            LaunchDriver();
    }
    InstallLiveStatusSource();
    return s.cbView.data();
}

void UnMapDriver()
{
    State &s = S();
    s.cbView.Unmap();
    s.cbHandle.Close();
}
