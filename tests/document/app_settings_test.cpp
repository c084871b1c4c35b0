// The configurator's settings file: where it lives and the recent-file list it keeps.
#include "document/app_settings.h"

#include "doc_fixture.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"

#include <cstdlib>
#include <optional>

using namespace doctest;

namespace
{

// Sets an environment variable for its lifetime and restores what was there.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        if (const char *old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char *name_;
    std::optional<std::string> old_;
};

class AppSettingsTest : public DocTest
{
};

TEST_F(AppSettingsTest, TheFileLivesInTheLocalFolderOnlyWhenTheDriverIsInstalled)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", (dir_ / "xdg").c_str());
    EXPECT_EQ(SettingsFilePath(), dir_ / "xdg/Quillmark/Brennic/KVZdidw.ini");
    {
        ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", (dir_ / "home").c_str());
        EXPECT_EQ(SettingsFilePath(), dir_ / "home/.config/Quillmark/Brennic/KVZdidw.ini");
    }

    ASSERT_TRUE(
        kvz::RegWriteString(kvz::Hive::LocalMachine, kvz::ProductKeyPath(), "LOCPATH", dir_ / "local"));
    EXPECT_EQ(SettingsFilePath(), dir_ / "xdg/Quillmark/Brennic/KVZdidw.ini"); // no "DriverExe" yet
    ASSERT_TRUE(
        kvz::RegWriteString(kvz::Hive::CurrentUser, kvz::ConfigKeyPath(), "DriverExe", "/opt/KVZSPOLL"));
    EXPECT_EQ(SettingsFilePath(), dir_ / "local/KVZdidw.ini");
}

TEST_F(AppSettingsTest, RecentListKeepsTwoEntriesAndOtherSettings)
{
    const std::string path = dir_ / "conf/KVZdidw.ini";
    EXPECT_TRUE(LoadRecentFiles(path).empty()); // no file yet
    std::filesystem::create_directories(dir_ / "conf");
    WriteText(path, "[Settings]\nPreviewPages=1\n[Recent File List]\nFile1=/old/A.KVZ\nFile4=/old/D.KVZ\n");

    ASSERT_TRUE(SaveRecentFiles(path, {"/plant/LINE 1.KVZ", "/plant/TWO.KVZ", "/plant/THREE.KVZ"}));
    EXPECT_EQ(LoadRecentFiles(path), (std::vector<std::string>{"/plant/LINE 1.KVZ", "/plant/TWO.KVZ"}));
    std::string text = ReadText(path);
    EXPECT_NE(text.find("PreviewPages=1"), std::string::npos) << text;
    EXPECT_NE(text.find("[Recent File List]\nFile1=/plant/LINE 1.KVZ\nFile2=/plant/TWO.KVZ\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("File4"), std::string::npos) << text;

    ASSERT_TRUE(SaveRecentFiles(path, {}));
    EXPECT_TRUE(LoadRecentFiles(path).empty());
    EXPECT_FALSE(SaveRecentFiles(path, {"two\nlines"}));
}

TEST_F(AppSettingsTest, TheDocumentRemembersAsManyFilesAsTheSettingsFileHolds)
{
    for (const char *path : {"/a.KVZ", "/b.KVZ", "/c.KVZ", "/b.KVZ"})
        doc_->AddToRecentFileList(path);
    EXPECT_EQ(doc_->GetRecentFiles(), (std::vector<std::string>{"/b.KVZ", "/c.KVZ"}));
    EXPECT_EQ(kRecentFileCount, 2u);
}

} // namespace
