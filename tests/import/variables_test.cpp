// Variables tables: the texts built and logged, what LearnAddress makes of them, and the records that
// are skipped.
#include "import/host_import.h"
#include "import_fixture.h"

#include <filesystem>

namespace
{

const std::vector<std::string> kVariableFields{"NAME", "ADDR", "UNIT", "TYPE"};

class VariablesImport : public ImportTest
{
protected:
    std::string Table(const std::vector<std::vector<std::string>> &rows, const std::string &name = "VARS.DBF")
    {
        std::string path = dir / name;
        dbftest::WriteTable(path, kVariableFields, rows);
        return path;
    }
};

TEST_F(VariablesImport, TheTextsOfEveryVariableAreLoggedAndLearnedInOrder)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    hostdb::Import(Table({{"T1", "DB10,4", "PLC1", "INT"},
                          {"T2", "DB10,4[5]", "plc1", "int"},
                          {"T3", "M10", "PLC1", "REAL"},
                          {"T4", "m10[3]", "PLC1", "Real"},
                          {"T5", "Q4.2", "PLC1", "DIGITAL"},
                          {"T6", "M40", "PLC1", "FLOAT"}}));

    EXPECT_EQ(InfoLines(), (std::vector<std::string>{"Success 6 records", "PLC1:DB10,W4", "plc1:DB10,W4[5]",
                                                     "plc1:DB10,W12", "PLC1:MD10", "PLC1:MD10[3]",
                                                     "PLC1:MD18", "PLC1:Q4.2"}));
    // DB10 bytes 4 to 13; M bytes 10 to 21; Q4 on its own.
    EXPECT_EQ(Records(*plc1),
              (std::vector<std::string>{"DB010,B0004-DB010,B0013/10", "M10-M21/12", "Q4-Q4/1"}));
    for (const auto &r : plc1->IORecs())
        EXPECT_EQ(r->GetLiveStatus(), kLiveStatusLearned);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VariablesImport, LearnedAddressesMergeIntoExistingPollRecords)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    auto existing = std::make_unique<CDrvSpecificIORec>();
    existing->SetDevice(plc1);
    ASSERT_EQ(existing->ParseAddress("M0", 1), 1);
    existing->ComputeLength();
    plc1->AddIORec(std::move(existing));

    hostdb::Import(Table({{"W", "M4", "PLC1", "INT"},     // widens M0 to M0..M5
                          {"B", "M2", "PLC1", "BYTE"}})); // already covered
    EXPECT_EQ(Records(*plc1), std::vector<std::string>{"M0-M5/6"});
    EXPECT_EQ(plc1->IORecs()[0]->GetLiveStatus(), kLiveStatusLearned);
}

TEST_F(VariablesImport, AnS5DeviceTakesTheDataBlockForm)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *s5 = AddDevice(channel, "S5PLC", 0);
    hostdb::Import(Table({{"V", "D5:20", "S5PLC", "INT"}}));
    EXPECT_EQ(InfoLines(), (std::vector<std::string>{"Success 1 records", "S5PLC:DB:5:20"}));
    EXPECT_EQ(Records(*s5), std::vector<std::string>{"DB:5:20-DB:5:20/1"});
}

TEST_F(VariablesImport, UnknownUnitsAndAddressesNoFormAcceptsAreSkippedSilently)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    hostdb::Import(Table({{"A", "M10", "NOSUCH", "INT"},
                          {"B", "T5", "PLC1", "INT"},
                          {"C", "M[X]", "PLC1", "INT"},
                          {"D", "", "PLC1", "INT"},
                          {"E", "MW8", "PLC1", "INT"}}));
    EXPECT_EQ(InfoLines(), (std::vector<std::string>{"Success 5 records", "NOSUCH:MW10", "PLC1:MWW8"}));
    EXPECT_EQ(Records(*plc1), std::vector<std::string>{"M8-M9/2"});
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VariablesImport, ARequiredFieldMissingImportsNothing)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    for (const auto &missing : kVariableFields) {
        std::vector<std::string> fields, row;
        for (const auto &f : kVariableFields)
            if (f != missing) {
                fields.push_back(f);
                row.push_back(f == "ADDR" ? "M10" : f == "UNIT" ? "PLC1" : f == "TYPE" ? "INT" : "TAG");
            }
        std::string table = dir / ("NO_" + missing + ".DBF");
        dbftest::WriteTable(table, fields, {row});
        hostdb::Import(table);
    }
    EXPECT_EQ(plc1->IORecCount(), 0u);
    EXPECT_TRUE(InfoLines().empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VariablesImport, RecordsThatCannotBeReadAreSkipped)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    std::string path =
        Table({{"A", "M10", "PLC1", "BYTE"}, {"B", "Q20", "PLC1", "BYTE"}, {"C", "I30", "PLC1", "BYTE"}});
    // The table's header still counts three records, but the file ends inside the third.
    auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size - 40);
    hostdb::Import(path);
    EXPECT_EQ(InfoLines(), (std::vector<std::string>{"Success 3 records", "PLC1:M10", "PLC1:Q20"}));
    EXPECT_EQ(plc1->IORecCount(), 2u);
}

TEST_F(VariablesImport, TheChosenFileIsReadWhateverItsExtension)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDevice *plc1 = AddDevice(channel, "PLC1");
    std::string made = Table({{"A", "M10", "PLC1", "BYTE"}}, "runtime.dbf");
    std::string rdb = dir / "runtime.rdb";
    std::filesystem::rename(made, rdb);
    // A different table beside it with the name shapelib would try first must not be read instead.
    Table({{"A", "M99", "PLC1", "BYTE"}}, "runtime.dbf");
    hostdb::Import(rdb);
    EXPECT_EQ(Records(*plc1), std::vector<std::string>{"M10-M10/1"});
}

} // namespace
