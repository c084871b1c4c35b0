// The driver identity's derived names and the clock pane's text.
#include "platform/clock_text.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace
{

TEST(DriverIdentity, NamesAreBuiltFromTheOneRecord)
{
    EXPECT_STREQ(kvz::kDriverIdentity.acronym, "KVZ");
    EXPECT_EQ(kvz::ProductKeyPath(), "Software\\Quillmark\\Brennic\\");
    EXPECT_EQ(kvz::ConfigKeyPath(), "Software\\Quillmark\\Brennic\\Config");
    EXPECT_EQ(kvz::ProductFolder(), "Quillmark/Brennic");
    EXPECT_EQ(kvz::FrameTitle("/plant/LINE1.KVZ"), "Brennic Plant Link - /plant/LINE1.KVZ");
    EXPECT_EQ(kvz::FrameTitle(""), "Brennic Plant Link - ");
    EXPECT_EQ(kvz::AboutVersionLine(), "Brennic Plant Link (KVZ) V 7.10.58.2");
}

TEST(DriverIdentity, DefaultHiveFoldersAreTheProductFolder)
{
    const char *user = std::getenv("KVZ_REGISTRY_USER");
    const char *machine = std::getenv("KVZ_REGISTRY_MACHINE");
    if (user || machine)
        GTEST_SKIP() << "the hives are redirected for this run";
    EXPECT_EQ(kvz::HiveRoot(kvz::Hive::LocalMachine), "/etc/Quillmark/Brennic");
    EXPECT_EQ(kvz::HiveRoot(kvz::Hive::CurrentUser).filename(), "Brennic");
}

// Local time of the test is UTC, so the clock's hours are those of the epoch seconds given.
class ClockText : public testing::Test
{
protected:
    void SetUp() override
    {
        if (const char *tz = std::getenv("TZ"))
            oldTz_ = tz;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override
    {
        if (oldTz_)
            ::setenv("TZ", oldTz_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static std::time_t At(int hour, int minute) { return 86400 * 3 + hour * 3600 + minute * 60; }

private:
    std::optional<std::string> oldTz_;
};

TEST_F(ClockText, TwelveHourClockWithAmAndPm)
{
    EXPECT_EQ(kvz::ClockText(At(15, 7)), "03:07 PM");
    EXPECT_EQ(kvz::ClockText(At(0, 5)), "12:05 AM");
    EXPECT_EQ(kvz::ClockText(At(12, 0)), "12:00 PM");
    EXPECT_EQ(kvz::ClockText(At(9, 59)), "09:59 AM");
}

// A locale whose %p is empty: an installed one, or one compiled for the test when the machine has
// none but the sources (LOCPATH points the C library at it).
bool SetLocaleWithoutAmPm(const kvz::test::TempDir &dir)
{
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE.ISO-8859-1"})
        if (std::setlocale(LC_TIME, name))
            return true;
    std::string command =
        "localedef -i de_DE -f ISO-8859-1 '" + (dir / "de_DE.ISO-8859-1") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return false;
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_TIME, "de_DE.ISO-8859-1") != nullptr;
}

TEST_F(ClockText, DoesNotFollowTheUsersLocale)
{
    kvz::test::TempDir dir;
    if (!SetLocaleWithoutAmPm(dir))
        GTEST_SKIP() << "no German locale installed and none could be compiled";
    std::string text = kvz::ClockText(At(15, 7));
    std::setlocale(LC_TIME, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(text, "03:07 PM");
}

} // namespace
