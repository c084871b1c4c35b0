// The channel dialog's retries and adapter fields as the model takes them.
#include "model/channel_fields.h"

#include "model/drv_specific_channel.h"
#include "recording_ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

TEST(ChannelFields, RetriesAboveNineOrNegativeAreRefusedAndLeaveTheCopy)
{
    kvz::test::RecordingUi ui;
    CDrvSpecificChannel work;
    struct Case {
        const char *text;
        RetriesCommit result;
        uint16_t retries;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {"9", RetriesCommit::Accepted, 9, {}},
        {"10", RetriesCommit::OutOfRange, 9, {10463}},
        {"-1", RetriesCommit::OutOfRange, 9, {10463}}, // unsigned: -1 lies above 9
        {"99999999999999999999", RetriesCommit::OutOfRange, 9, {10463}},
        {" 0 ", RetriesCommit::Accepted, 0, {}},
        {"2.5", RetriesCommit::NotInteger, 0, {61712}},
        {"", RetriesCommit::NotInteger, 0, {61712}},
        {"+4", RetriesCommit::Accepted, 4, {}},
    };
    for (const Case &c : cases) {
        ui.Clear();
        EXPECT_EQ(CommitRetries(work, c.text), c.result) << c.text;
        EXPECT_EQ(work.Primary().retries, c.retries) << c.text;
        EXPECT_EQ(ui.Ids(), c.ids) << c.text;
    }
    ui.Clear();
    CommitRetries(work, "10");
    CommitRetries(work, "x");
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Invalid Retry Value (Valid Range 0 - 9)",
                                                    "Please enter an integer."}));
    EXPECT_EQ(ui.messages[0].icon, kvz::MsgIcon::Exclamation);
}

TEST(ChannelFields, AdapterIsCutToSixtyFourCharactersNeverInsideOne)
{
    CDrvSpecificChannel work;
    SetAdapterFromField(work, std::string(65, 'A'));
    EXPECT_EQ(work.GetEthernetCardText(), std::string(64, 'A'));

    std::string umlauts;
    for (int i = 0; i < 70; ++i)
        umlauts += "\xC3\xA4"; // two bytes, one character
    SetAdapterFromField(work, umlauts);
    EXPECT_EQ(work.GetEthernetCard().size(), 64u);
    EXPECT_EQ(work.GetEthernetCardText(), umlauts.substr(0, 128));

    SetAdapterFromField(work, "Intel(R) Ethernet");
    EXPECT_EQ(work.GetEthernetCardText(), "Intel(R) Ethernet");
}

} // namespace
