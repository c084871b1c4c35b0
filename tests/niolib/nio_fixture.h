#pragma once
// Per-test set-up for the driver link: a shm namespace of its own, registry hives in a temp folder,
// a recording front end, every nio_log line recorded, and sleeps that only count (unless a test
// needs real ones for a real driver). A DriverSide plays the driver within the test process.
#include "image_builder.h"
#include "niolib/nio_layout.h"
#include "platform/shm.h"
#include "recording_ui.h"
#include "temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace niotest
{

// The driver's objects, made directly on shared memory (not through the library under test).
class DriverSide
{
public:
    // A block as a first attacher makes it (under the global name).
    bool CreateBlock();
    uint8_t *block() const { return blockView_.data(); }
    uint32_t Get32(size_t offset) const;
    uint16_t Get16(size_t offset) const;
    void Set32(size_t offset, uint32_t value);
    void Set16(size_t offset, uint16_t value);
    // Publishes `bytes` as image `number` (global name); with `announce`, current_map and loaded_map
    // become `number`.
    bool PublishImage(uint32_t number, const std::vector<uint8_t> &bytes, bool announce = true);
    uint8_t *image(uint32_t number) { return images_[number].data(); }

private:
    kvz::ShmHandle blockHandle_;
    kvz::ShmView blockView_;
    std::map<uint32_t, kvz::ShmView> images_;
};

class NioTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Real sleeps from now on (tests with a real driver process).
    void UseRealSleeps();
    bool Logged(uint16_t level, const std::string &text) const;
    std::vector<std::string> LoggedAt(uint16_t level) const;
    // Writes `bytes` as a configuration file and registers it as "ConfigFile".
    std::string WriteConfigFile(const std::vector<uint8_t> &bytes, const std::string &name = "DEFAULT.KVZ");
    // Registers a shell script as "DriverExe" that records each start in launches.txt beside it.
    std::string RegisterRecordingDriver();
    int LaunchCount() const;
    // Registers the real KVZSPOLL as "DriverExe".
    void RegisterSpoll();
    // Polls `done` for up to `ms` of real time.
    static bool WaitFor(const std::function<bool()> &done, int ms = 5000);
    // The POSIX path of a driver object of this test.
    std::string ShmPath(const std::string &name) const;
    // Stops a KVZSPOLL whose pid the block holds, and waits for it.
    void StopSpoll(uint8_t *block);

    std::string ns_;
    kvz::test::TempDir dir_;
    kvz::test::ScopedRegistry registry_;
    kvz::test::RecordingUi ui_;
    std::vector<std::pair<uint16_t, std::string>> logs_;
    unsigned sleptMs_ = 0;
    std::function<void(unsigned)> onSleep_; // called on each counted sleep
    std::vector<pid_t> spawned_;
};

} // namespace niotest
