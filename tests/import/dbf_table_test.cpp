// The table reader: field look-up by name, trimmed values, and tables whose headers do not describe
// the records they hold.
#include "import/dbf_table.h"
#include "import/host_import.h"
#include "import_fixture.h"

#include <cstdio>
#include <fstream>

namespace
{

class DbfTableTest : public ImportTest
{
protected:
    // Overwrites bytes of a table the tools wrote, as a damaged copy would hold them.
    static void Damage(const std::string &path, std::streamoff offset, std::initializer_list<uint8_t> bytes)
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(offset);
        for (uint8_t b : bytes)
            f.put(static_cast<char>(b));
    }
};

TEST_F(DbfTableTest, FieldsAreFoundByNameIgnoringCaseAndValuesAreTrimmed)
{
    SKIP_WITHOUT_DBF_TOOLS();
    std::string path = dir / "t.dbf";
    dbftest::WriteTable(path, {"Name", "ADDR", "ADDRESS"}, {{"  tag one  ", "", "x"}});
    auto table = hostdb::DbfTable::Open(path);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->FieldIndex("NAME"), 0);
    EXPECT_EQ(table->FieldIndex("addr"), 1);
    EXPECT_EQ(table->FieldIndex("ADDRESS"), 2);
    EXPECT_EQ(table->FieldIndex("UNIT"), -1);
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(table->ReadText(0, 0), "tag one");
    EXPECT_EQ(table->ReadText(0, 1), "");
    EXPECT_EQ(table->ReadText(1, 0), std::nullopt);
    EXPECT_EQ(table->ReadText(0, 3), std::nullopt);
    EXPECT_EQ(table->ReadText(-1, 0), std::nullopt);
}

// Offsets of the table header that the damage below changes.
constexpr std::streamoff kRecordCountAt = 4;
constexpr std::streamoff kHeaderLengthAt = 8;
constexpr std::streamoff kRecordLengthAt = 10;
constexpr std::streamoff kFirstFieldWidthAt = 32 + 16;

TEST_F(DbfTableTest, HeadersThatDoNotFitTheirRecordsAreNotOpened)
{
    SKIP_WITHOUT_DBF_TOOLS();
    struct Case {
        const char *what;
        std::streamoff at;
        std::initializer_list<uint8_t> bytes;
    };
    const Case cases[] = {
        {"record shorter than its fields", kRecordLengthAt, {5, 0}},
        {"record length zero", kRecordLengthAt, {0, 0}},
        {"field wider than the record", kFirstFieldWidthAt, {250}},
        {"header longer than the file", kHeaderLengthAt, {0xFF, 0xFF}},
        {"header shorter than its own start", kHeaderLengthAt, {8, 0}},
    };
    for (const Case &c : cases) {
        std::string path = dir / "VARS.DBF";
        dbftest::WriteTable(path, {"NAME", "ADDR", "UNIT", "TYPE"}, {{"A", "M10", "PLC1", "INT"}});
        Damage(path, c.at, c.bytes);
        ui.Clear();
        hostdb::Import(path);
        ASSERT_EQ(ui.messages.size(), 1u) << c.what;
        EXPECT_EQ(ui.messages[0].text, "Failed to open " + path) << c.what;
    }
}

TEST_F(DbfTableTest, ARecordCountBeyondTheFileReadsOnlyTheRecordsThere)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    std::string path = dir / "VARS.DBF";
    dbftest::WriteTable(path, {"NAME", "ADDR", "UNIT", "TYPE"}, {{"A", "M10", "PLC1", "INT"}});
    Damage(path, kRecordCountAt, {0xFF, 0xFF, 0xFF, 0x7F});
    hostdb::Import(path);
    EXPECT_EQ(plc1->IORecCount(), 1u);
    EXPECT_EQ(InfoLines().front(), "Success 2147483647 records");
}

TEST_F(DbfTableTest, WhatIsNoTableFailsToOpen)
{
    std::string empty = dir / "EMPTY.DBF";
    std::ofstream(empty).close();
    EXPECT_FALSE(hostdb::DbfTable::Open(empty));
    EXPECT_FALSE(hostdb::DbfTable::Open(dir.path().string()));
    EXPECT_FALSE(hostdb::DbfTable::Open("/dev/null"));
    EXPECT_FALSE(hostdb::DbfTable::Open(dir / "missing.dbf"));
}

} // namespace
