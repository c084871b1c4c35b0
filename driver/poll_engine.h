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

// What polls the image: told when an image is taken up to run and before it is stopped or dropped.
class ImageUser
{
public:
    virtual ~ImageUser() = default;
    virtual void ImageTaken() = 0;
    virtual void ImageLeaving() = 0;
};

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
    // Hands polling to `user` (the synthetic counters stop); it takes the image at once when running.
    void SetImageUser(ImageUser *user);
    uint8_t *ControlBlock() const { return block_; }

private:
    void BuildNextImage();
    void Start();
    void Stop();
    void AdvanceCounters();

    uint8_t *block_ = nullptr;
    ImageUser *user_ = nullptr;
};

} // namespace spoll
