// Commands to the driver, client registration, the heartbeat, the owner window, the registry
// values and the diagnostic routine.
#include "nio_fixture.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/registry.h"

using namespace niotest;

namespace
{
constexpr const char *kConfigKey = "Software\\Quillmark\\Brennic\\Config";

class Attached : public NioTest
{
protected:
    void SetUp() override
    {
        NioTest::SetUp();
        ASSERT_TRUE(driver_.CreateBlock());
        ASSERT_TRUE(driver_.PublishImage(1, BuildImage(SimpleImage()).bytes));
        ASSERT_NE(nio_map_hdr(), nullptr);
        sleptMs_ = 0;
    }
    DriverSide driver_;
};
} // namespace

TEST_F(Attached, StopAgainstADriverThatNeverAnswersGivesUpAfterFiveSeconds)
{
    EXPECT_EQ(nio_StartStop(0), 0);
    EXPECT_EQ(sleptMs_, 5000u);
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"nio_stop() Failed !"});
    EXPECT_EQ(driver_.Get16(nio::kCbCmdState), 2);
    EXPECT_TRUE(Logged(39, "nio_StartStop()"));
}

TEST_F(Attached, StartStopReturnsAsSoonAsTheDriverReportsTheState)
{
    int waits = 0;
    onSleep_ = [&](unsigned) {
        if (++waits == 4)
            driver_.Set16(nio::kCbRunState, driver_.Get16(nio::kCbCmdState));
    };
    EXPECT_EQ(nio_StartStop(0), 1);
    EXPECT_EQ(sleptMs_, 200u);
    waits = 0;
    EXPECT_EQ(nio_StartStop(1), 1);
    EXPECT_EQ(driver_.Get16(nio::kCbRunState), 1);
    EXPECT_TRUE(ui_.Texts().empty());
}

TEST_F(Attached, AReloadWhoseStopFailsSendsNoStart)
{
    EXPECT_EQ(ReloadConfiguration("/cfg/DEFAULT.KVZ", "KVZ"), 1);
    EXPECT_TRUE(Logged(23, "ReloadConfiguration(/cfg/DEFAULT.KVZ,KVZ)"));
    EXPECT_EQ(driver_.Get16(nio::kCbCmdState), 2);
    EXPECT_EQ(LoggedAt(39), std::vector<std::string>{"nio_StartStop()"});
    EXPECT_EQ(LoadConfiguration("a", "KVZ"), 1);
    EXPECT_TRUE(Logged(23, "LoadConfiguration(a,KVZ)"));
}

TEST_F(Attached, ConnectAndDisconnectCountClientsAndTheLastOneLetsGo)
{
    driver_.Set32(nio::kCbClients, 5); // another process's clients
    for (int i = 0; i < 3; ++i)
        nio_connect();
    EXPECT_EQ(driver_.Get32(nio::kCbClients), 8u);
    EXPECT_TRUE(Logged(39, "Conneting 8 Clients Connected"));
    EXPECT_EQ(driver_.Get32(nio::kCbWatchdogMs), 15000u);
    for (int i = 0; i < 3; ++i)
        nio_disconnect();
    EXPECT_EQ(driver_.Get32(nio::kCbClients), 5u);
    EXPECT_TRUE(Logged(39, "Disconnecting niolib_tests 5 Clients Connected"));
    EXPECT_FALSE(nio::ImageMapped());
    nio_disconnect(); // nothing registered any more: the shared count is left alone
    EXPECT_EQ(driver_.Get32(nio::kCbClients), 5u);
}

TEST_F(Attached, TheLastClientOfAllLogsDisconnected)
{
    nio_connect();
    nio_disconnect();
    EXPECT_TRUE(Logged(39, "Disconnected niolib_tests"));
    EXPECT_EQ(driver_.Get32(nio::kCbClients), 0u);
}

TEST_F(Attached, DriverAliveFollowsTheHeartbeat)
{
    driver_.Set32(nio::kCbHeartbeat, 10);
    EXPECT_EQ(nio_driver_alive(), 0) << "changed since the last look";
    EXPECT_EQ(nio_driver_alive(), 100) << "two reads 50 ms apart agree";
    EXPECT_EQ(sleptMs_, 50u);
    onSleep_ = [&](unsigned) { driver_.Set32(nio::kCbHeartbeat, 11); };
    EXPECT_EQ(nio_driver_alive(), 0);
    UnMapDIT();
    EXPECT_EQ(nio_driver_alive(), 100);
}

TEST_F(Attached, KeepAliveAndEveryAccessWriteTheWatchdog)
{
    driver_.Set32(nio::kCbWatchdogMs, 1);
    nio_keep_alive();
    EXPECT_EQ(driver_.Get32(nio::kCbWatchdogMs), 15000u);
    driver_.Set32(nio::kCbWatchdogMs, 1);
    nio_map_chan(0);
    EXPECT_EQ(driver_.Get32(nio::kCbWatchdogMs), 15000u);
}

TEST_F(Attached, TheOwnerWindowIsWrittenAndRead)
{
    EXPECT_EQ(nio_get_owner_window(), 0u);
    nio_set_owner_window(4242);
    EXPECT_EQ(driver_.Get32(nio::kCbOwnerWindow), 4242u);
    EXPECT_EQ(nio_get_owner_window(), 4242u);
}

TEST_F(NioTest, WithoutAnImageTheOwnerWindowIsNeitherReadNorWritten)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    driver.Set32(nio::kCbOwnerWindow, 77);
    EXPECT_EQ(nio_get_owner_window(), 0u);
    nio_set_owner_window(5);
    EXPECT_EQ(driver.Get32(nio::kCbOwnerWindow), 77u);
}

TEST_F(NioTest, StartStopWithoutAnyBlockGivesZero)
{
    // The block cannot be made: a directory stands where the object would be.
    std::filesystem::create_directories(ShmPath("Global\\KVZ_TO_IOC"));
    std::filesystem::create_directories(ShmPath("KVZ_TO_IOC"));
    EXPECT_EQ(nio_StartStop(1), 0);
    EXPECT_EQ(nio_map_hdr(), nullptr);
    EXPECT_TRUE(Logged(70, "MapToDIT() failed to open driver pointer"));
    std::filesystem::remove(ShmPath("Global\\KVZ_TO_IOC"));
    std::filesystem::remove(ShmPath("KVZ_TO_IOC"));
}

TEST_F(NioTest, ConfigValuesComeFromTheCurrentUserUnlessItHasNoSuchKey)
{
    char buf[126];
    EXPECT_EQ(GetConfigFilePath(buf, sizeof buf), 0);
    kvz::RegWriteString(kvz::Hive::LocalMachine, kConfigKey, "ConfigFile", "/machine/DEFAULT.KVZ");
    ASSERT_EQ(GetConfigFilePath(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "/machine/DEFAULT.KVZ");
    // The user's key exists (with another value): the machine is not asked.
    kvz::RegWriteString(kvz::Hive::CurrentUser, kConfigKey, "DriverExe", "/x/KVZSPOLL");
    EXPECT_EQ(GetConfigFilePath(buf, sizeof buf), 0);
    ASSERT_EQ(GetDriverExePath(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "/x/KVZSPOLL");
    // A value longer than the buffer is not read.
    EXPECT_EQ(GetDriverExePath(buf, 11), 0);
    EXPECT_EQ(GetDriverExePath(buf, 12), 1);
    EXPECT_EQ(ReadConfigValue("Software\\Quillmark\\Brennic", "Config", "DriverExe", buf, sizeof buf), 1);
    EXPECT_EQ(ReadConfigValue(std::string(512, 'k').c_str(), nullptr, "DriverExe", buf, sizeof buf), 0);
}

TEST_F(NioTest, ConfigValuesAreWrittenToBothHives)
{
    ASSERT_EQ(SetConfigFilePath("/cfg/PLANT.KVZ"), 1);
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, kConfigKey, "ConfigFile"), "/cfg/PLANT.KVZ");
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::LocalMachine, kConfigKey, "ConfigFile"), "/cfg/PLANT.KVZ");
    EXPECT_EQ(WriteConfigValue("Software\\Quillmark\\Brennic\\", nullptr, "KVZ", "0000"), 1);
    EXPECT_EQ(kvz::RegReadString(kvz::Hive::CurrentUser, "Software\\Quillmark\\Brennic\\", "KVZ"), "0000");
}

TEST_F(NioTest, ACurrentUserWriteThatFailsLeavesTheMachineAlone)
{
    ::setenv("KVZ_REGISTRY_USER", "/proc/kvz-no-such-place", 1);
    EXPECT_EQ(SetConfigFilePath("/cfg/PLANT.KVZ"), 0);
    EXPECT_FALSE(kvz::RegReadString(kvz::Hive::LocalMachine, kConfigKey, "ConfigFile"));
}

TEST_F(NioTest, TheLogCutsItsTextAndShowsOnlyErrorsOneAtATime)
{
    nio_log(23, "info %d", 1);
    nio_log(39, "trace");
    nio_log(80, "warning");
    EXPECT_TRUE(ui_.messages.empty());
    nio_log(70, "error %s\r\nmore", "here");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "error here");
    EXPECT_EQ(ui_.messages[0].caption, "xxxDIDW.EXE");
    EXPECT_EQ(ui_.messages[0].buttons, kvz::MsgButtons::Ok);
    nio_log(70, "%s", std::string(400, 'a').c_str());
    EXPECT_EQ(ui_.messages[1].text, std::string(255, 'a'));
    EXPECT_EQ(logs_.front(), (std::pair<uint16_t, std::string>{23, "info 1"}));
}

namespace
{
// A front end whose box, while open, leads to another error (as a timer would).
class ReentrantUi : public kvz::test::RecordingUi
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &request) override
    {
        RecordingUi::ShowMessage(request);
        if (messages.size() == 1)
            nio_log(70, "while the box is open");
        return kvz::MsgResult::Ok;
    }
};
} // namespace

TEST_F(NioTest, ASecondErrorWhileABoxIsOpenGetsNoBox)
{
    ReentrantUi ui;
    nio_log(70, "first");
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"first"});
    nio_log(70, "later");
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"first", "later"}));
}
