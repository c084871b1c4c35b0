// The driver messages view's tick over a scripted ring: the all-messages flag, icons by code, learned
// addresses, and how far the list is cut back.
#include "document/driver_messages.h"

#include "doc_fixture.h"
#include "model/channel.h"

#include <deque>
#include <utility>

using namespace doctest;

namespace
{

TEST(DriverMessages, LearnTextFollowsTheFirstHyphenFromTheEleventhCharacter)
{
    struct Case {
        const char *message;
        std::optional<std::string_view> learned;
    };
    const Case cases[] = {
        {"NIO-* Learn-PLC1:MW4", "PLC1:MW4"}, // the hyphen of "NIO-*" lies before the eleventh
        {"NIO-* abcd-X", "X"},                // a hyphen at index 10 counts
        {"NIO-* abc-X", std::nullopt},        // one at index 9 does not
        {"NIO-* no address", std::nullopt},
        {"1234567890NIO-*:PLC2:DB1,DBW0", "*:PLC2:DB1,DBW0"},
        {"Learn-PLC1:MW4 without mark", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LearnTextOf(c.message), c.learned) << c.message;
}

TEST(DriverMessages, TheListIsCutBackToTheNewest180OnceItPasses200)
{
    EXPECT_EQ(MessageLinesToDelete(0), 0);
    EXPECT_EQ(MessageLinesToDelete(200), 0);
    EXPECT_EQ(MessageLinesToDelete(201), 21);
    EXPECT_EQ(MessageLinesToDelete(263), 83);
}

class DriverMessagesTest : public DocTest
{
protected:
    DriverMessageFeed Feed()
    {
        return DriverMessageFeed([this](std::string &text, uint16_t &code, int all) {
            flags.push_back(all);
            if (ring.empty())
                return false;
            text = ring.front().first;
            code = ring.front().second;
            ring.pop_front();
            return true;
        });
    }
    std::vector<int> Images(const std::vector<DriverMessageLine> &lines)
    {
        std::vector<int> out;
        for (const auto &line : lines)
            out.push_back(line.image);
        return out;
    }
    std::deque<std::pair<std::string, uint16_t>> ring;
    std::vector<int> flags;
};

TEST_F(DriverMessagesTest, FirstMessageIsTakenWithoutAllAndTheRestWithTheSaveLogFlag)
{
    DriverMessageFeed feed = Feed();
    EXPECT_TRUE(feed.Tick(*doc_).empty());
    EXPECT_EQ(flags, (std::vector<int>{0}));

    flags.clear();
    doc_->m_bSaveLog = 1;
    ring = {{"one", 23}, {"two", 23}, {"three", 23}};
    auto lines = feed.Tick(*doc_);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].text, "three");
    EXPECT_EQ(lines[2].code, 23);
    EXPECT_EQ(flags, (std::vector<int>{0, 1, 1, 1}));
}

TEST_F(DriverMessagesTest, TheIconChangesOnlyWhenTheCodeChanges)
{
    DriverMessageFeed feed = Feed();
    ring = {{"a", 23}, {"b", 70}, {"c", 70}, {"d", 23}, {"e", 30}, {"f", 94}, {"g", 0}};
    EXPECT_EQ(Images(feed.Tick(*doc_)), (std::vector<int>{0, 1, 1, 0, 1, 1, 0}));
    // The last code carries over to the next tick.
    ring = {{"h", 70}};
    feed.Tick(*doc_);
    ring = {{"i", 70}, {"j", 23}};
    EXPECT_EQ(Images(feed.Tick(*doc_)), (std::vector<int>{1, 0}));
}

TEST_F(DriverMessagesTest, AddressesAreLearnedOnlyWhileTheCurrentChannelLearns)
{
    CDrvSpecificChannel *channel = AddChannel();
    CDrvSpecificDevice *device = AddDevice(channel, "PLC1");
    DriverMessageFeed feed = Feed();
    const std::pair<std::string, uint16_t> learn{"NIO-* Learn-PLC1:MW4", 23};

    ring = {learn};
    auto lines = feed.Tick(*doc_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_FALSE(lines[0].learned);
    EXPECT_EQ(device->IORecCount(), 0u);

    channel->SetLearnAddresses(true);
    ring = {learn, {"NIO-* Learn-PLC1:MW6", 23}, {"NIO-* Learn-NOSUCH:MW6", 23}};
    lines = feed.Tick(*doc_);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].learned);
    EXPECT_TRUE(lines[1].learned); // widened the record
    EXPECT_FALSE(lines[2].learned);
    ASSERT_EQ(device->IORecCount(), 1u);
    EXPECT_EQ(device->IORecs()[0]->GetLength(), 4);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(DriverMessagesTest, ATickEndsEvenWhenTheRingIsRefilledForEver)
{
    DriverMessageFeed feed([](std::string &text, uint16_t &code, int) {
        text = "again";
        code = 23;
        return true;
    });
    EXPECT_EQ(feed.Tick(*doc_).size(), 64u);
}

} // namespace
