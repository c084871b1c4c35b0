// Learned addresses merged into the poll records of their device.
#include "iorec_fixture.h"
#include "model/siemens_address.h"

#include <utility>
#include <vector>

namespace
{

struct Existing {
    const char *start;
    const char *length;
};

struct LearnCase {
    const char *name;
    uint16_t plcType;
    std::vector<Existing> existing;
    const char *learned;
    LearnResult result;
    // Every record of the device afterwards: start text, length, live status.
    std::vector<std::tuple<std::string, uint16_t, uint16_t>> after;
};

constexpr uint16_t kNew = kLiveStatusInitial;
constexpr uint16_t kLearned = kLiveStatusLearned;

TEST_F(IORecTest, LearnAddressMergesIntoTheDevicesRecords)
{
    const LearnCase cases[] = {
        {"first record of a device",
         kPlcS5,
         {},
         "PLC1:DB:3:10",
         LearnResult::Added,
         {{"DB:3:10", 1, kLearned}}},
        {"first record of a TI device", kPlcTi, {}, "plc1:V:7", LearnResult::Added, {{"V:7", 1, kLearned}}},
        {"extends behind", kPlcS7_300, {{"M0", "1"}}, "PLC1:MW4", LearnResult::Merged, {{"M0", 6, kLearned}}},
        {"covered", kPlcS7_300, {{"M0", "10"}}, "PLC1:MB5", LearnResult::Covered, {{"M0", 10, kNew}}},
        {"starts earlier",
         kPlcS7_300,
         {{"M10", "10"}},
         "PLC1:MB5",
         LearnResult::Merged,
         {{"M5", 15, kLearned}}},
        {"too far for a merge, gap too wide to fill",
         kPlcS7_300,
         {{"M0", "1"}},
         "PLC1:MB300",
         LearnResult::Added,
         {{"M0", 1, kNew}, {"M300", 1, kLearned}}},
        {"gap filled",
         kPlcS7_300,
         {{"M0", "200"}},
         "PLC1:MB230",
         LearnResult::Added,
         {{"M0", 200, kNew}, {"M200", 31, kLearned}}},
        {"S7 400 merges up to 440",
         kPlcS7_400,
         {{"M0", "1"}},
         "PLC1:MB439",
         LearnResult::Merged,
         {{"M0", 440, kLearned}}},
        {"other data block",
         kPlcS7_300,
         {{"DB1,DBB0", "10"}},
         "PLC1:DB2,DBB4",
         LearnResult::Added,
         {{"DB001,B0000", 10, kNew}, {"DB002,B0004", 1, kLearned}}},
        {"other memory type",
         kPlcS7_300,
         {{"M0", "10"}},
         "PLC1:QB4",
         LearnResult::Added,
         {{"M0", 10, kNew}, {"Q4", 1, kLearned}}},
        {"S5 merges up to 239 words",
         kPlcS5,
         {{"DB:1:0", "1"}},
         "PLC1:DB:1:238",
         LearnResult::Merged,
         {{"DB:1:0", 239, kLearned}}},
        {"S5 beyond 239 words",
         kPlcS5,
         {{"DB:1:0", "1"}},
         "PLC1:DB:1:239",
         LearnResult::Added,
         {{"DB:1:0", 1, kNew}, {"DB:1:239", 1, kLearned}}},
        {"S5 other block",
         kPlcS5,
         {{"DB:1:0", "4"}},
         "PLC1:DB:2:2",
         LearnResult::Added,
         {{"DB:1:0", 4, kNew}, {"DB:2:2", 1, kLearned}}},
        {"TI learns nothing more",
         kPlcTi,
         {{"V:1", "4"}},
         "PLC1:V:5",
         LearnResult::NotMerged,
         {{"V:1", 4, kNew}}},
        {"no colon", kPlcS7_300, {}, "PLC1 MB4", LearnResult::Ignored, {}},
        {"unknown device", kPlcS7_300, {}, "PLC9:MB4", LearnResult::Ignored, {}},
        {"refused address", kPlcS5, {}, "PLC1:DB:1:5000", LearnResult::Ignored, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto *device = AddDevice(c.plcType);
        for (const auto &e : c.existing)
            AddRecord(device, e.start, e.length);
        uint16_t countBefore = GetPollRecordCount();
        EXPECT_EQ(CDrvSpecificIORec::LearnAddress(c.learned), c.result);
        std::vector<std::tuple<std::string, uint16_t, uint16_t>> after;
        for (const auto &r : device->IORecs()) {
            auto *s = static_cast<CDrvSpecificIORec *>(r.get());
            after.emplace_back(s->GetAddressText(1), s->GetLength(), s->GetLiveStatus());
        }
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(GetPollRecordCount(), countBefore + (c.result == LearnResult::Added ? 1 : 0));
        EXPECT_TRUE(ui.messages.empty()); // addresses that cannot be used are skipped silently
        channel->RemoveDevice(device);
    }
}

TEST_F(IORecTest, LearnedRecordsKeepTheirEndInStep)
{
    auto *device = AddDevice(kPlcS7_300);
    AddRecord(device, "M10", "10");
    ASSERT_EQ(CDrvSpecificIORec::LearnAddress("PLC1:MD6"), LearnResult::Merged);
    auto *r = static_cast<CDrvSpecificIORec *>(device->IORecs().front().get());
    EXPECT_EQ(r->GetAddressText(1), "M6");
    EXPECT_EQ(r->GetAddressText(0), "M19");
    EXPECT_EQ(r->GetLength(), 14u);
}

} // namespace
