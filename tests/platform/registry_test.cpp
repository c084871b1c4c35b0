#include "platform/registry.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace kvz;

namespace
{
constexpr const char *kConfigKey = "Software\\Quillmark\\Brennic\\Config";
}

TEST(Registry, HiveRootsComeFromTheEnvironment)
{
    test::ScopedRegistry reg;
    EXPECT_EQ(HiveRoot(Hive::CurrentUser), reg.root() / "user");
    EXPECT_EQ(HiveRoot(Hive::LocalMachine), reg.root() / "machine");
}

TEST(Registry, CurrentUserIsReadBeforeLocalMachine)
{
    test::ScopedRegistry reg;
    EXPECT_FALSE(RegReadStringAnyHive(kConfigKey, "ConfigFile"));
    ASSERT_TRUE(RegWriteString(Hive::LocalMachine, kConfigKey, "ConfigFile", "/m/DEFAULT.KVZ"));
    EXPECT_EQ(RegReadStringAnyHive(kConfigKey, "ConfigFile"), "/m/DEFAULT.KVZ");
    ASSERT_TRUE(RegWriteString(Hive::CurrentUser, kConfigKey, "ConfigFile", "/u/DEFAULT.KVZ"));
    EXPECT_EQ(RegReadStringAnyHive(kConfigKey, "ConfigFile"), "/u/DEFAULT.KVZ");
}

TEST(Registry, StringsAndNumbersKeepTheirTypesAndNamesIgnoreCase)
{
    test::ScopedRegistry reg;
    const char *shared = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    ASSERT_TRUE(RegWriteDword(Hive::LocalMachine, shared, "/opt/x/lib.so", 0xFFFFFFFFu));
    ASSERT_TRUE(RegWriteString(Hive::LocalMachine, kConfigKey, "DriverExe", "a = b ; \"c\" \\d"));
    EXPECT_EQ(RegReadDword(Hive::LocalMachine, shared, "/opt/x/lib.so"), 0xFFFFFFFFu);
    EXPECT_FALSE(RegReadString(Hive::LocalMachine, shared, "/opt/x/lib.so"));
    EXPECT_FALSE(RegReadDword(Hive::LocalMachine, kConfigKey, "DriverExe"));
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "software\\quillmark\\brennic\\config", "driverexe"),
              "a = b ; \"c\" \\d");
    ASSERT_TRUE(RegWriteString(Hive::LocalMachine, kConfigKey, "Empty", ""));
    EXPECT_EQ(RegReadString(Hive::LocalMachine, kConfigKey, "Empty"), "");
    ASSERT_TRUE(RegDeleteValue(Hive::LocalMachine, kConfigKey, "Empty"));
    EXPECT_FALSE(RegReadString(Hive::LocalMachine, kConfigKey, "Empty"));
}

TEST(Registry, ValuesWithLineBreaksAreRefusedAndNothingIsLost)
{
    test::ScopedRegistry reg;
    ASSERT_TRUE(RegWriteString(Hive::CurrentUser, kConfigKey, "ConfigFile", "kept"));
    EXPECT_FALSE(RegWriteString(Hive::CurrentUser, kConfigKey, "ConfigFile", "a\nb=c"));
    EXPECT_EQ(RegReadString(Hive::CurrentUser, kConfigKey, "ConfigFile"), "kept");
}

TEST(Registry, WritesLeaveNoTemporaryFilesBehind)
{
    test::ScopedRegistry reg;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(RegWriteDword(Hive::CurrentUser, "K", "n", static_cast<uint32_t>(i)));
    EXPECT_EQ(RegReadDword(Hive::CurrentUser, "K", "n"), 4u);
    int files = 0;
    for (const auto &e : std::filesystem::directory_iterator(reg.root() / "user"))
        files += e.path().filename().string().starts_with(".") ? 100 : 1;
    EXPECT_EQ(files, 2); // the store and its lock file
}

TEST(Registry, ATrailingBackslashNamesTheSameKey)
{
    test::ScopedRegistry reg;
    ASSERT_TRUE(RegWriteString(Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "FolderName", "Plant"));
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Quillmark\\Brennic", "FolderName"), "Plant");
    EXPECT_EQ(RegReadString(Hive::LocalMachine, "Software\\Quillmark\\Brennic\\", "FolderName"), "Plant");
}
