// The row of a poll record in the poll-record list, with the state image from the live status.
#include "iorec_fixture.h"
#include "model/list_control.h"
#include "model/live_status.h"

#include <clocale>
#include <map>
#include <vector>

namespace
{

class FakeStatusSource : public ILiveStatusSource
{
public:
    long ImagePollRecordCount() override { return static_cast<long>(words.size()); }
    uint16_t ImageStatusWord(long index) override { return words.at(static_cast<size_t>(index)); }
    std::vector<uint16_t> words;
};

class RecordingList : public IListControl
{
public:
    int GetItemCount() const override { return static_cast<int>(rows.size()); }
    void InsertItem(int row, const std::string &text, int image) override
    {
        rows.insert(rows.begin() + row, std::vector<std::string>(9));
        images.insert(images.begin() + row, image);
        rows[static_cast<size_t>(row)][0] = text;
        ++inserts;
    }
    void SetItemText(int row, int column, const std::string &text) override
    {
        rows.at(static_cast<size_t>(row)).at(static_cast<size_t>(column)) = text;
    }
    void SetItemImage(int row, int image) override { images.at(static_cast<size_t>(row)) = image; }

    std::vector<std::vector<std::string>> rows;
    std::vector<int> images;
    int inserts = 0;
};

class ListRowTest : public IORecTest
{
protected:
    void SetUp() override
    {
        IORecTest::SetUp();
        SetLiveStatusSource(&source);
    }
    void TearDown() override
    {
        SetLiveStatusSource(nullptr);
        IORecTest::TearDown();
    }
    FakeStatusSource source;
};

TEST_F(ListRowTest, ColumnsShowTheRecordsSettings)
{
    auto *device = AddDevice(kPlcS7_300);
    auto *r = AddRecord(device, "MW4");
    r->SetAccessTime("Disabled");
    r->SetExceptionType("Analog", KVZ_Exception_dct);
    r->SetDeadBand("2.5");
    IORecListRow row = r->ListRow(6);
    EXPECT_EQ(row.columns, (std::array<std::string, 9>{"7", "M4", "M5", "2", "Byte", "    1.00", "Disabled",
                                                       "Analog", "    2.5"}));
    r->SetPollTime("Disabled");
    r->SetExceptionType("Disabled", KVZ_Exception_dct);
    r->SetAccessTime("30");
    EXPECT_EQ(r->ListRow(0).columns[5], "Disabled");
    EXPECT_EQ(r->ListRow(0).columns[6], "    30.0");
    EXPECT_EQ(IORecListColumnTitles(),
              (std::array<std::string, 9>{"I/O Blocks", "Start", "End", "Length", "Data Type", "Poll Time",
                                          "Access Time", "Exception Type", "Dead Band"}));
}

TEST_F(ListRowTest, NumbersDoNotFollowTheUsersLocale)
{
    auto *r = AddRecord(AddDevice(kPlcS7_300), "MW4");
    r->SetDeadBand("2.5");
    const char *comma[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
    bool set = false;
    for (const char *name : comma)
        if (!set && std::setlocale(LC_NUMERIC, name))
            set = true;
    if (!set)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    IORecListRow row = r->ListRow(0);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(row.columns[5], "    1.00");
    EXPECT_EQ(row.columns[6], "   300.0");
    EXPECT_EQ(row.columns[8], "    2.5");
}

TEST_F(ListRowTest, StateImageFollowsTheLiveStatus)
{
    auto *device = AddDevice(kPlcS7_300);
    auto *r = AddRecord(device, "MB0");
    r->SetRecordNumberValue(0);
    const std::map<uint16_t, int> cases = {
        {0, 1}, {0xE000, 1}, {4293, 2}, {4296, 3}, {4297, 3}, {97, 4}, {1, 4}, {0x1FFF, 4},
    };
    for (auto [word, image] : cases) {
        source.words = {word};
        EXPECT_EQ(r->ListRow(0).stateImage, image) << word;
    }
    source.words = {5};
    EXPECT_TRUE(r->ListRow(0).statusChanged);
    EXPECT_FALSE(r->ListRow(0).statusChanged);

    // Beyond the running driver's image, or without a record number: no state.
    r->SetRecordNumberValue(1);
    EXPECT_EQ(r->ListRow(0).stateImage, 4);
    SetLiveStatusSource(nullptr);
    r->SetRecordNumberValue(0);
    EXPECT_EQ(r->ListRow(0).stateImage, 4);
}

TEST_F(ListRowTest, ShowInListInsertsNewRowsAndReplacesShownOnes)
{
    auto *device = AddDevice(kPlcS5);
    auto *a = AddRecord(device, "DB:3:100", "4");
    RecordingList list;
    a->ShowInList(0, list);
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0], (std::vector<std::string>{"1", "DB:3:100", "DB:3:103", "4", "Word  (KF/KM)",
                                                      "    1.00", "   300.0", "Disabled", "    0.0"}));
    EXPECT_EQ(list.images[0], 4);

    source.words = {4297};
    a->SetRecordNumberValue(0);
    a->SetLengthValue(0);
    a->ShowInList(0, list);
    EXPECT_EQ(list.inserts, 1);
    EXPECT_EQ(list.images[0], 3);
    EXPECT_EQ(list.rows[0][1], "--Undefined--");
}

} // namespace
