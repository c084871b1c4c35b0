#include "model/model_message.h"
#include "model/string_table.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

TEST(StringTable, FillsPlaceholders)
{
    EXPECT_EQ(FormatModelString(IDS_INVALID_RETRIES, {"0", "9"}), "Invalid Retry Value (Valid Range 0 - 9)");
    EXPECT_EQ(FormatModelString(IDS_ADDRESS_ALREADY_DEFINED, {"3"}),
              "Address already defined in Poll Record 3");
    // A placeholder without an argument stays.
    EXPECT_EQ(FormatModelString(IDS_INVALID_LENGTH, {"1024"}),
              "Invalid Length \n\r [Valid Range:  1024 - %2 ]");
    EXPECT_EQ(FormatPlaceholders("%2 before %1, 100%", {"a", "b"}), "b before a, 100%");
    EXPECT_EQ(LoadModelString(1), "");
}

TEST(StringTable, DecimalBoundsAreWidthSixTwoDecimalsNotTrimmed)
{
    EXPECT_EQ(FormatDecimalBound(0.1), "  0.10");
    EXPECT_EQ(FormatDecimalBound(1800), "1800.00");
    EXPECT_EQ(FormatDecimalBound(172800), "172800.00");
    EXPECT_EQ(FormatUnsignedBound(65535), "65535");
}

TEST(StringTable, HoldsTextsWithQuotesAndLineBreaksExactly)
{
    EXPECT_EQ(LoadModelString(IDS_INVALID_ACCESS_TIME),
              "Invalid Access Time (Valid Range %1 - %2)\nOr \"Disabled\"");
    EXPECT_EQ(LoadModelString(IDS_INVALID_DEVICE_NAME_CHARS),
              "The devicename may not include any of the following characters \":,|&\"");
    EXPECT_EQ(LoadModelString(IDS_DEVICE_NOT_FOUND), "DEVICE NAME  not found. Line ignored!");
    EXPECT_EQ(LoadModelString(IDS_CHANGE_PLC_TYPE),
              "Changing the PLC type will cause all Poll Records for this "
              "device to be removed.\n\rDo you wish to continue?");
    EXPECT_EQ(LoadModelString(4009), "--Undefined--");
    EXPECT_EQ(LoadModelString(5408), "Dead Band");
    EXPECT_EQ(LoadModelString(10491), "!");
}

TEST(ShowModelMessage, ShowsAnExclamationBoxWithOk)
{
    kvz::test::RecordingUi ui;
    EXPECT_EQ(ShowModelMessage(IDS_INVALID_DELAY, {"  0.00", "3600.00"}), IDS_INVALID_DELAY);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].id, 10456);
    EXPECT_EQ(ui.messages[0].text, "Invalid Delay Value (Valid Range   0.00 - 3600.00)");
    EXPECT_EQ(ui.messages[0].icon, kvz::MsgIcon::Exclamation);
    EXPECT_EQ(ui.messages[0].buttons, kvz::MsgButtons::Ok);
}

TEST(ShowModelMessage, GoesToTheRedirectWhileAnImportRuns)
{
    kvz::test::RecordingUi ui;
    std::vector<std::string> logged;
    {
        ScopedModelMessageRedirect redirect([&](const std::string &text) { logged.push_back(text); });
        EXPECT_TRUE(ModelMessagesRedirected());
        ShowModelMessage(IDS_CHANNEL_NOT_FOUND);
    }
    EXPECT_FALSE(ModelMessagesRedirected());
    ShowModelMessage(IDS_INVALID_PLC_TYPE);
    EXPECT_EQ(logged, std::vector<std::string>{"CHANNEL NUMBER not found. Line ignored!"});
    EXPECT_EQ(ui.Ids(), std::vector<int>{4054});
}

} // namespace
