// The headless monitor's commands against a real KVZSPOLL, and its registry commands.
#include "driver/poll_engine.h"
#include "nio_fixture.h"
#include "niolib/driver_monitor.h"
#include "niolib/nio_fields.h"
#include "niolib/niolib.h"
#include "platform/process.h"
#include "platform/registry.h"

#include <csignal>
#include <sstream>

using namespace niotest;

TEST_F(NioTest, StatusLaunchesTheDriverAndShowsALiveImage)
{
    UseRealSleeps();
    TestImage layout;
    layout.channels.push_back({{TestDevice{"PLC1"}}});
    layout.channels.push_back({{TestDevice{"PLC2"}}});
    std::string config = WriteConfigFile(BuildImage(layout).bytes);
    RegisterSpoll();

    std::ostringstream status;
    ASSERT_EQ(nio::DriverStatusCommand(status), 0) << status.str();
    // Counters move while we look: compare the lines with the numbers taken out.
    std::istringstream lines(status.str());
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) {
        auto tx = line.find("TX=");
        if (tx != std::string::npos)
            line = line.substr(0, tx) + (line.find(" RX=") != std::string::npos ? "TX RX" : "?");
        got.push_back(line);
    }
    EXPECT_EQ(
        got, (std::vector<std::string>{"run_state: 1", "heartbeat: moving", "current_map: 1", "loaded_map: 1",
                                       "clients: 0", "channel 0: TX RX", "channel 1: TX RX"}))
        << status.str();

    EXPECT_EQ(nio::DriverControlCommand(nio::DriverVerb::Reload, ""), 0);
    EXPECT_TRUE(Logged(23, "ReloadConfiguration(" + config + ",KVZ)"));
    std::ostringstream again;
    EXPECT_EQ(nio::DriverStatusCommand(again), 0);
    EXPECT_NE(again.str().find("current_map: 2\n"), std::string::npos) << again.str();

    std::ostringstream messages;
    EXPECT_EQ(nio::DriverMessagesCommand(true, messages), 0);
    EXPECT_EQ(messages.str(),
              "23\tKVZSPOLL started\n70\tKVZSPOLL polling stopped\n23\tKVZSPOLL reloaded map 2\n");
    EXPECT_EQ(nio::LoadField32(MapToDriver(0), nio::kCbMonitorAll), 1u);

    EXPECT_EQ(nio::DriverControlCommand(nio::DriverVerb::Stop, ""), 0);
    EXPECT_EQ(nio::DriverControlCommand(nio::DriverVerb::Start, ""), 0);
}

TEST_F(NioTest, StatusWithoutAnyDriverFails)
{
    std::ostringstream status;
    EXPECT_EQ(nio::DriverStatusCommand(status), 1);
    EXPECT_NE(status.str().find("heartbeat: standing\n"), std::string::npos) << status.str();
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"nio_map_hdr() failed"});
}

TEST_F(NioTest, ControlCommandsFailWhenTheDriverDoesNotAnswer)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    EXPECT_EQ(nio::DriverControlCommand(nio::DriverVerb::Stop, ""), 1);
    EXPECT_EQ(nio::DriverControlCommand(nio::DriverVerb::Reload, "/x/DEFAULT.KVZ"), 1);
    EXPECT_EQ(nio::DriverControlCommand(nio::DriverVerb::Start, ""), 1);
}

TEST_F(NioTest, RegistryCommandsGetAndSetValuesByHand)
{
    const std::string key = "Software\\Quillmark\\Brennic\\Config";
    std::ostringstream out;
    EXPECT_EQ(nio::RegistryGetCommand(false, key, "DriverExe", out), 1);
    EXPECT_EQ(nio::RegistrySetCommand(false, key, "DriverExe", "/opt/kvz/KVZSPOLL"), 0);
    EXPECT_EQ(nio::RegistryGetCommand(false, key, "DriverExe", out), 0);
    EXPECT_EQ(out.str(), "/opt/kvz/KVZSPOLL\n");
    EXPECT_EQ(nio::RegistryGetCommand(true, key, "DriverExe", out), 1) << "the machine hive is separate";
    kvz::RegWriteDword(kvz::Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "Count", 4000000000u);
    std::ostringstream number;
    EXPECT_EQ(nio::RegistryGetCommand(true, "Software\\Quillmark\\Brennic\\", "Count", number), 0);
    EXPECT_EQ(number.str(), "4000000000\n");
}
