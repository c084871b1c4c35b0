#pragma once
// The stand-in poll engine: the least that makes the configurator's runtime link real. It owns its
// side of the control block (heartbeat, run_state, current_map/loaded_map, the message ring) and
// builds each driver image from "ConfigFile".
#include <cstddef>
#include <cstdint>

namespace spoll
{

// Field of the control block that this engine uses for its process id (a field the clients leave alone).
inline constexpr size_t kCbDriverPid = 36;

inline constexpr uint16_t kMsgInfo = 23;
inline constexpr uint16_t kMsgError = 70;

enum class AttachResult { Attached, NoBlock, AnotherEngineRuns };

class PollEngine
{
public:
    // Attaches to (or creates) the control block and builds the first image, unless another live
    // engine already serves the block.
    AttachResult Attach();
    // One step: heartbeat, commands, counters.
    void Tick();
    // Leaves the block as a stopped driver and removes this engine's image.
    void Shutdown();

private:
    void BuildNextImage();
    void Start();
    void Stop();
    void AdvanceCounters();

    uint8_t *block_ = nullptr;
};

} // namespace spoll
