// Times, delays and dead bands as typed: the whole text is one number, with a full stop or the
// decimal sign of the user's settings, or it is refused with the field's own message.
#include "model/drv_specific_channel.h"
#include "model/drv_specific_iorec.h"
#include "model/string_table.h"
#include "model/user_number.h"
#include "platform/registry.h"
#include "recording_ui.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{

using namespace model;

TEST(ParseWholeNumber, TakesTheWholeTextOrNothing)
{
    struct Case {
        const char *text;
        char sign;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"0.5", '.', 0.5},    {" 2.5 ", '.', 2.5}, {"+3", '.', 3.0},   {"-0.25", '.', -0.25},
        {"1e3", '.', 1000.0}, {"0,5", '.', {}},    {"5abc", '.', {}},  {"", '.', {}},
        {"nan", '.', {}},     {"inf", '.', {}},    {"1e999", '.', {}}, {"0x10", '.', {}},
        {"0,5", ',', 0.5},    {"2,5", ',', 2.5},   {"0.5", ',', 0.5},  {"1.234,5", ',', {}},
        {"1,2,3", ',', {}},   {",5", ',', 0.5},    {"2;5", ';', 2.5},  {"2;5", ',', {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseWholeNumber(c.text, c.sign), c.value) << c.text << " with " << c.sign;
}

class UserNumberTest : public testing::Test
{
protected:
    void SetDecimalSign(const char *sign)
    {
        ASSERT_TRUE(
            kvz::RegWriteString(kvz::Hive::CurrentUser, "Control Panel\\International", "sDecimal", sign));
    }
    kvz::test::ScopedRegistry registry;
    kvz::test::RecordingUi ui;
};

TEST_F(UserNumberTest, TheDecimalSignComesFromTheUsersSettings)
{
    EXPECT_EQ(UserDecimalSign(), '.'); // none set
    SetDecimalSign(",");
    EXPECT_EQ(UserDecimalSign(), ',');
    EXPECT_EQ(ParseUserNumber("0,5"), 0.5);
    EXPECT_EQ(ParseUserNumber("0.5"), 0.5); // the C locale's way is always taken
    SetDecimalSign("four");                 // longer than the value's buffer
    EXPECT_EQ(UserDecimalSign(), '.');
}

// A setter, the text typed, and what the record or channel holds afterwards.
struct SetterCase {
    const char *field;
    std::function<int(CIORec &, CChannel &, const char *)> set;
    std::function<std::string(const CIORec &, const CChannel &)> get;
    int message; // its range message
};

TEST_F(UserNumberTest, ADecimalCommaIsReadOrRefusedNeverCut)
{
    const SetterCase setters[] = {
        {"poll time", [](CIORec &r, CChannel &, const char *t) { return r.SetPollTime(t); },
         [](const CIORec &r, const CChannel &) { return r.GetPollTimeText(); }, IDS_INVALID_POLL_TIME},
        {"access time", [](CIORec &r, CChannel &, const char *t) { return r.SetAccessTime(t); },
         [](const CIORec &r, const CChannel &) { return r.GetAccessTimeText(); }, IDS_INVALID_ACCESS_TIME},
        {"dead band", [](CIORec &r, CChannel &, const char *t) { return r.SetDeadBand(t); },
         [](const CIORec &r, const CChannel &) { return r.GetDeadBandText().substr(0, 3); },
         IDS_INVALID_DEAD_BAND},
        {"reply timeout", [](CIORec &, CChannel &c, const char *t) { return c.SetReplyTimeout(t, 0); },
         [](const CIORec &, const CChannel &c) { return c.GetReplyTimeoutText(); },
         IDS_INVALID_REPLY_TIMEOUT},
        {"delay", [](CIORec &, CChannel &c, const char *t) { return c.SetDelay(t, 0); },
         [](const CIORec &, const CChannel &c) { return c.GetDelayText(); }, IDS_INVALID_DELAY},
    };
    for (const SetterCase &s : setters) {
        SCOPED_TRACE(s.field);
        CDrvSpecificIORec record;
        CDrvSpecificChannel channel;
        ASSERT_EQ(s.set(record, channel, "3.5"), 0);
        // With a full stop as the user's sign, "2,5" is no number: refused, the value stays.
        SetDecimalSign(".");
        ui.Clear();
        EXPECT_EQ(s.set(record, channel, "2,5"), s.message);
        EXPECT_EQ(ui.Ids(), std::vector<int>{s.message});
        EXPECT_EQ(s.get(record, channel), "3.5");
        EXPECT_EQ(s.set(record, channel, "2.5x"), s.message);
        EXPECT_EQ(s.get(record, channel), "3.5");
        // Where the user writes a comma, it is the number the user meant.
        SetDecimalSign(",");
        ui.Clear();
        EXPECT_EQ(s.set(record, channel, "2,5"), 0);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(s.get(record, channel), "2.5");
    }
}

} // namespace
