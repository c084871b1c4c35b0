#include "driver/poll_engine.h"

#include "driver/message_ring.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/shm.h"

#include <csignal>
#include <fstream>
#include <string>
#include <unistd.h>

namespace spoll
{
namespace
{

uint32_t NextMapNumber(uint32_t current)
{
    return current >= nio::kMapCycle ? 1 : current + 1;
}

// Both names an image of this number may have been made under.
void RemoveImage(uint32_t number)
{
    if (number == 0)
        return;
    std::string n = std::to_string(number);
    kvz::UnlinkShm(std::string("Global\\") + nio::kAcronym + n);
    kvz::UnlinkShm(std::string(nio::kAcronym) + n);
}

// The short name of a process, as the kernel keeps it.
std::string ProcessName(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// A relaunch after a heartbeat that only stalled must not put a second engine on the same block.
bool AnotherEngineServes(uint8_t *block)
{
    auto pid = static_cast<pid_t>(nio::LoadField32(block, kCbDriverPid));
    return pid > 0 && pid != ::getpid() && ::kill(pid, 0) == 0 && ProcessName(pid) == ProcessName(::getpid());
}

} // namespace

AttachResult PollEngine::Attach()
{
    block_ = MapToDriver(0);
    if (!block_)
        return AttachResult::NoBlock;
    if (AnotherEngineServes(block_)) {
        UnMapDriver();
        block_ = nullptr;
        return AttachResult::AnotherEngineRuns;
    }
    nio::StoreField32(block_, kCbDriverPid, static_cast<uint32_t>(::getpid()));
    // Always a new number, also after a crashed driver: a client still holding the old image
    // sees current_map change and follows to the new one.
    BuildNextImage();
    if (nio::LoadField16(block_, nio::kCbCmdState) == nio::kStateStop) {
        nio::StoreField16(block_, nio::kCbRunState, nio::kStateStop);
    } else {
        nio::StoreField16(block_, nio::kCbRunState, nio::kStateRun);
        PostDriverMessage(block_, kMsgInfo, "KVZSPOLL started");
    }
    return AttachResult::Attached;
}

void PollEngine::BuildNextImage()
{
    uint32_t previous = nio::LoadField32(block_, nio::kCbCurrentMap);
    uint32_t number = NextMapNumber(previous);
    if (user_)
        user_->ImageLeaving();
    UnMapDIT();
    nio::StoreField32(block_, nio::kCbCurrentMap, number);
    if (MapToDIT(nio::kAcronym, 0))
        init_dit();
    if (!nio::ImageMapped())
        PostDriverMessage(block_, kMsgError, "KVZSPOLL: configuration not loaded");
    // Clients wait for loaded_map; they must not wait for an image that will never come.
    nio::StoreField32(block_, nio::kCbLoadedMap, number);
    if (previous != number)
        RemoveImage(previous);
}

void PollEngine::Start()
{
    BuildNextImage();
    if (user_ && nio::ImageMapped())
        user_->ImageTaken();
    nio::StoreField16(block_, nio::kCbRunState, nio::kStateRun);
    std::string text =
        "KVZSPOLL reloaded map " + std::to_string(nio::LoadField32(block_, nio::kCbCurrentMap));
    PostDriverMessage(block_, kMsgInfo, text);
}

void PollEngine::Stop()
{
    if (user_)
        user_->ImageLeaving();
    nio::StoreField16(block_, nio::kCbRunState, nio::kStateStop);
    PostDriverMessage(block_, kMsgError, "KVZSPOLL polling stopped");
}

void PollEngine::AdvanceCounters()
{
    if (user_ || !nio::ImageMapped())
        return;
    for (int16_t c = 0; c < nio_chan_count(); ++c) {
        uint8_t *channel = nio_map_chan(c);
        if (!channel)
            continue;
        uint16_t tx = static_cast<uint16_t>(nio::ReadU16(channel, nio::kChanTxCount) + 1);
        uint16_t rx = static_cast<uint16_t>(nio::ReadU16(channel, nio::kChanRxCount) + 1);
        channel[nio::kChanTxCount] = static_cast<uint8_t>(tx);
        channel[nio::kChanTxCount + 1] = static_cast<uint8_t>(tx >> 8);
        channel[nio::kChanRxCount] = static_cast<uint8_t>(rx);
        channel[nio::kChanRxCount + 1] = static_cast<uint8_t>(rx >> 8);
    }
}

void PollEngine::Tick()
{
    nio::AddField32(block_, nio::kCbHeartbeat, 1);
    PostDroppedNote(block_);
    uint16_t commanded = nio::LoadField16(block_, nio::kCbCmdState);
    uint16_t running = nio::LoadField16(block_, nio::kCbRunState);
    if (commanded == nio::kStateStop && running != nio::kStateStop)
        Stop();
    else if (commanded == nio::kStateRun && running != nio::kStateRun)
        Start();
    else if (running == nio::kStateRun)
        AdvanceCounters();
}

void PollEngine::SetImageUser(ImageUser *user)
{
    user_ = user;
    if (user_ && nio::ImageMapped() && nio::LoadField16(block_, nio::kCbRunState) == nio::kStateRun)
        user_->ImageTaken();
}

void PollEngine::Shutdown()
{
    if (!block_)
        return;
    nio::StoreField16(block_, nio::kCbRunState, nio::kStateStop);
    if (user_)
        user_->ImageLeaving();
    PostDriverMessage(block_, kMsgInfo, "KVZSPOLL ended");
    if (nio::LoadField32(block_, kCbDriverPid) == static_cast<uint32_t>(::getpid()))
        nio::StoreField32(block_, kCbDriverPid, 0);
    UnMapDIT();
    RemoveImage(nio::LoadField32(block_, nio::kCbCurrentMap));
    UnMapDriver();
    block_ = nullptr;
}

} // namespace spoll
