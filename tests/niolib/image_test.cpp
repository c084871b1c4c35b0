// The driver image: building it from the configuration file, opening it, the header checks,
// following the driver from one image to the next.
#include "nio_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <cstring>
#include <sys/stat.h>

using namespace niotest;

TEST(ImageBuilder, LaysOutOneChannelOneDeviceOneRecordAsTheFileIs)
{
    BuiltImage img = BuildImage(SimpleImage());
    const uint8_t *b = img.bytes.data();
    EXPECT_EQ(img.bytes.size(), 846u);
    EXPECT_EQ(GetU32(b, 0), 846u);
    EXPECT_EQ(GetU32(b, 4), 846u);
    EXPECT_EQ(GetU32(b, 102 + 22), 34u);
    EXPECT_EQ(GetU32(b, 102 + 26), 426u);
    EXPECT_EQ(GetU32(b, 102 + 30), 634u);
    EXPECT_EQ(GetU32(b, 136), 42u);
    EXPECT_EQ(GetU32(b, 528), 434u);
    EXPECT_EQ(GetU32(b, 736), 666u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(b + 140), 4), "GGGG");
}

TEST_F(NioTest, NoDriverAndNoImageFailsAfterOneRetry)
{
    RegisterRecordingDriver();
    EXPECT_EQ(nio_map_hdr(), nullptr);
    EXPECT_TRUE(Logged(80, "MapToDIT() Map KVZ0 Does not exist"));
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"nio_map_hdr() failed"});
    EXPECT_EQ(ui_.messages[0].caption, "xxxDIDW.EXE");
    EXPECT_EQ(LoggedAt(80).size(), 2u) << "one retry";
    EXPECT_TRUE(WaitFor([&] { return LaunchCount() == 1; }));
    EXPECT_EQ(sleptMs_, 1000u + 100u);
}

TEST_F(NioTest, AnAcronymOfOtherThanThreeCharactersIsRefused)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(1, BuildImage(SimpleImage()).bytes));
    for (const char *bad : {"KV", "KVZZ", ""}) {
        ui_.Clear();
        EXPECT_EQ(MapToDIT(bad, 1), 0) << bad;
        EXPECT_EQ(ui_.Texts(),
                  std::vector<std::string>{"MapToDIT() failed to open DIT Table - Bad Accronym"});
    }
    EXPECT_EQ(MapToDIT("KVZ", 1), 1);
    EXPECT_TRUE(Logged(23, "Application niolib_tests connecting Map Global\\KVZ1 c=0"));
}

TEST_F(NioTest, TheLocalImageNameIsTriedSecond)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    driver.Set32(nio::kCbCurrentMap, 2);
    std::vector<uint8_t> bytes = BuildImage(SimpleImage()).bytes;
    kvz::ShmResult local = kvz::CreateShm("KVZ2", bytes.size(), kvz::ShmExisting::Replace);
    kvz::ShmView view = kvz::MapShm(local.handle, 0, nullptr);
    std::memcpy(view.data(), bytes.data(), bytes.size());
    EXPECT_EQ(MapToDIT("KVZ", 1), 1);
    EXPECT_TRUE(Logged(23, "Application niolib_tests connecting Map KVZ2 c=0"));
}

struct HeaderCase {
    const char *what;
    uint32_t version;
    int channels, devices, records;
    const char *error; // null: accepted
};

class HeaderChecks : public NioTest, public ::testing::WithParamInterface<HeaderCase>
{
};

TEST_P(HeaderChecks, VersionAndCountsDecide)
{
    const HeaderCase &c = GetParam();
    TestImage layout = SimpleImage();
    layout.tail = 8192; // room for every table the counts ask for
    BuiltImage img = BuildImage(layout);
    img.bytes[102 + 3] = static_cast<uint8_t>(c.channels);
    img.bytes[102 + 4] = static_cast<uint8_t>(c.devices);
    PutU16(img.bytes, 102 + 18, static_cast<uint16_t>(c.records));
    PutU32(img.bytes, 102 + 10, c.version);
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(1, img.bytes));

    init_dit();
    EXPECT_EQ(nio::ImageMapped(), c.error == nullptr) << c.what;
    if (c.error) {
        EXPECT_EQ(ui_.Texts(), std::vector<std::string>{c.error}) << c.what;
    } else {
        EXPECT_TRUE(ui_.Texts().empty()) << c.what;
        EXPECT_EQ(nio_chan_count(), c.channels);
        EXPECT_EQ(nio_dev_count(), c.devices);
        EXPECT_EQ(nio_rec_count(), c.records);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, HeaderChecks,
    ::testing::Values(HeaderCase{"version 277", 277, 1, 1, 1, "init_dit() Corrupted file"},
                      HeaderCase{"version 278", 278, 1, 1, 1, nullptr},
                      HeaderCase{"version 279", 279, 1, 1, 1, nullptr},
                      HeaderCase{"version 280", 280, 1, 1, 1, "init_dit() Corrupted file"},
                      HeaderCase{"0 channels", 279, 0, 1, 1, "init_dit() bad object counts"},
                      HeaderCase{"31 channels", 279, 31, 1, 1, nullptr},
                      HeaderCase{"32 channels", 279, 32, 1, 1, "init_dit() bad object counts"},
                      HeaderCase{"negative channels", 279, 0x80, 1, 1, "init_dit() bad object counts"},
                      HeaderCase{"0 devices", 279, 1, 0, 1, "init_dit() bad object counts"},
                      HeaderCase{"253 devices", 279, 1, 253, 1, nullptr},
                      HeaderCase{"254 devices", 279, 1, 254, 1, "init_dit() bad object counts"},
                      HeaderCase{"0 poll records", 279, 1, 1, 0, "init_dit() bad object counts"},
                      HeaderCase{"negative poll records", 279, 1, 1, 0x8000, "init_dit() bad object counts"}),
    [](const auto &param) {
        std::string n = param.param.what;
        for (char &ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

TEST_F(NioTest, AClientFollowsTheDriverFromImage3ToImage1)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(3, BuildImage(SimpleImage("OLD")).bytes));
    int16_t channel = -1;
    EXPECT_EQ(nio_find_device("OLD", &channel), 0);
    driver.Set32(nio::kCbWatchdogMs, 0);

    // The driver moves on: new number first, the image, then loaded_map once it is built.
    ASSERT_TRUE(driver.PublishImage(1, BuildImage(SimpleImage("NEW")).bytes, false));
    driver.Set32(nio::kCbCurrentMap, 1);
    int steps = 0;
    onSleep_ = [&](unsigned ms) {
        if (ms == 100 && ++steps == 3)
            driver.Set32(nio::kCbLoadedMap, 1);
    };
    ASSERT_NE(nio_map_hdr(), nullptr);
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(driver.Get32(nio::kCbWatchdogMs), 15000u);
    EXPECT_EQ(nio_find_device("NEW", &channel), 0);
    EXPECT_EQ(nio_find_device("OLD", &channel), -1);
    EXPECT_TRUE(ui_.Texts().empty());
}

TEST_F(NioTest, ADriverThatStandsWhileTheImageChangesIsReportedNotWaitedForEver)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(1, BuildImage(SimpleImage()).bytes));
    ASSERT_NE(nio_map_hdr(), nullptr);
    sleptMs_ = 0;
    driver.Set32(nio::kCbCurrentMap, 2); // loaded_map stays 1, heartbeat stands
    EXPECT_EQ(nio_map_hdr(), nullptr);
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"ReMapDIT() Driver not running"});
    EXPECT_EQ(sleptMs_, 10u + 11 * 100u);
    EXPECT_FALSE(nio::ImageMapped());

    // A heartbeat that moves but never takes up the image: given up after 100 steps.
    ui_.Clear();
    sleptMs_ = 0;
    ASSERT_TRUE(driver.PublishImage(2, BuildImage(SimpleImage()).bytes));
    ASSERT_NE(nio_map_hdr(), nullptr);
    driver.Set32(nio::kCbCurrentMap, 3);
    onSleep_ = [&](unsigned) { driver.Set32(nio::kCbHeartbeat, driver.Get32(nio::kCbHeartbeat) + 1); };
    EXPECT_EQ(nio_map_hdr(), nullptr);
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"ReMapDIT() Driver not running"});
    EXPECT_EQ(sleptMs_, 10u + 100 * 100u);
}

TEST_F(NioTest, PollReloadMovesFrom3To1AndMapsThatImage)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(3, BuildImage(SimpleImage("THREE")).bytes));
    ASSERT_TRUE(driver.PublishImage(1, BuildImage(SimpleImage("ONE")).bytes, false));
    ASSERT_NE(nio_map_hdr(), nullptr);
    nio_poll_reload();
    EXPECT_EQ(driver.Get32(nio::kCbCurrentMap), 1u);
    EXPECT_EQ(driver.Get32(nio::kCbLoadedMap), 1u);
    EXPECT_TRUE(nio::ImageMapped());
    EXPECT_TRUE(Logged(39, "nio_poll_reload()"));
    int16_t channel = -1;
    EXPECT_EQ(nio_find_device("ONE", &channel), 0);
}

TEST_F(NioTest, CreatingModeLoadsTheConfigurationFileWhole)
{
    std::vector<uint8_t> bytes = BuildImage(SimpleImage()).bytes;
    std::string path = WriteConfigFile(bytes);
    uint8_t *cb = MapToDriver(0);
    ASSERT_NE(cb, nullptr);
    nio::StoreField32(cb, nio::kCbCurrentMap, 2);
    // Whatever an earlier driver left under the name is replaced, never served.
    kvz::ShmResult stale = kvz::CreateShm("Global\\KVZ2", 4096, kvz::ShmExisting::Replace);
    ASSERT_TRUE(stale.handle.valid());
    kvz::ShmView staleView = kvz::MapShm(stale.handle, 0, nullptr);
    std::memset(staleView.data(), 0xEE, 4096);

    ASSERT_EQ(MapToDIT("KVZ", 0), 1);
    EXPECT_TRUE(Logged(23, "MapToDIT() Opening file " + path + " to map Global\\KVZ2"));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(cb + nio::kCbConfigPath)), path);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(cb + nio::kCbMapName)), "Global\\KVZ2");

    kvz::ShmResult opened = kvz::OpenShm("Global\\KVZ2", 1);
    ASSERT_TRUE(opened.handle.valid());
    EXPECT_EQ(opened.handle.size(), bytes.size());
    kvz::ShmView view = kvz::MapShm(opened.handle, 0, nullptr);
    EXPECT_EQ(std::memcmp(view.data(), bytes.data(), bytes.size()), 0);
    EXPECT_EQ(staleView.data()[0], 0xEE) << "a holder of the old object keeps its own view";
    struct stat st {
    };
    ASSERT_EQ(::stat(ShmPath("Global\\KVZ2").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
}

TEST_F(NioTest, CreatingModeReportsAMissingRegistryValueAndAMissingFile)
{
    ASSERT_NE(MapToDriver(0), nullptr);
    EXPECT_EQ(MapToDIT("KVZ", 0), 0);
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"Failed to open Registry Config File path"});
    ui_.Clear();
    std::string path = WriteConfigFile({});
    std::filesystem::remove(path);
    EXPECT_EQ(MapToDIT("KVZ", 0), 0);
    EXPECT_EQ(ui_.Texts(),
              std::vector<std::string>{"Failed to open file " + path + " - No such file or directory"});
    ui_.Clear();
    WriteConfigFile({}); // an empty file cannot become a mapping
    EXPECT_EQ(MapToDIT("KVZ", 0), 0);
    EXPECT_EQ(ui_.Texts(), std::vector<std::string>{"MapToDriver() Driver file is not loaded"});
}

TEST_F(NioTest, UnMapDITDropsTheImageAndTheNextAccessMapsItAgain)
{
    DriverSide driver;
    ASSERT_TRUE(driver.CreateBlock());
    ASSERT_TRUE(driver.PublishImage(1, BuildImage(SimpleImage()).bytes));
    ASSERT_NE(nio_map_dit(0), nullptr);
    EXPECT_EQ(UnMapDIT(), 1);
    EXPECT_FALSE(nio::ImageMapped());
    EXPECT_NE(nio_map_hdr(), nullptr);
}
