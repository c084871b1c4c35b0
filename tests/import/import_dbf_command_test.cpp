// kvzcfg import-dbf: where the configuration starts, what is saved, the exit status, --verbose.
#include "cli/import_dbf_command.h"
#include "dbf_tools.h"
#include "document/did_doc.h"
#include "model/channel.h"
#include "model/drv_specific_iorec.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

class ImportDbfCommand : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!dbftest::ToolsPresent())
            GTEST_SKIP() << "shapelib's dbfcreate/dbfadd are not installed";
        units = dir / "UNITS.DBF";
        dbftest::WriteTable(units, {"NAME", "PROTOCOL", "COMMENT", "MODE"},
                            {{"PLC1", "VELDRIVE ETH", "Boiler", "Primary"}});
        variables = dir / "VARS.DBF";
        dbftest::WriteTable(variables, {"NAME", "ADDR", "UNIT", "TYPE"},
                            {{"T1", "DB10,4[5]", "PLC1", "INT"}, {"T2", "m10[3]", "PLC1", "REAL"}});
    }

    // "start-end/length" of every poll record of every device in `path`, read back as File > Open does.
    static std::vector<std::string> SavedRecords(const std::string &path)
    {
        std::vector<std::string> out;
        CDidDoc doc;
        doc.OpenChosenFile(path);
        for (const auto &channel : doc.m_ChannelList)
            for (const auto &device : channel->Devices())
                for (const auto &r : device->IORecs()) {
                    auto *rec = static_cast<const CDrvSpecificIORec *>(r.get());
                    out.push_back(device->GetName() + ":" + rec->GetAddressText(1) + "-" +
                                  rec->GetAddressText(0) + "/" + std::to_string(rec->GetLength()));
                }
        return out;
    }

    kvz::test::ScopedRegistry registry;
    kvz::test::TempDir dir;
    std::string units, variables;
};

TEST_F(ImportDbfCommand, UnitsIntoANewConfigurationThenVariablesIntoIt)
{
    std::string first = dir / "FIRST.KVZ";
    EXPECT_EQ(RunImportDbf({units, "", first, false}), 0);
    EXPECT_EQ(SavedRecords(first), std::vector<std::string>{"PLC1:S0-S199/200"});

    std::string second = dir / "SECOND.CSV";
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunImportDbf({variables, first, second, true}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Success 2 records\nPLC1:DB10,W4[5]\nPLC1:DB10,W12\nPLC1:MD10[3]\nPLC1:MD18\n");
    EXPECT_EQ(
        SavedRecords(second),
        (std::vector<std::string>{"PLC1:S0-S199/200", "PLC1:DB010,B0004-DB010,B0013/10", "PLC1:M10-M21/12"}));
}

TEST_F(ImportDbfCommand, NothingIsWrittenWhenTheTableOrTheConfigurationCannotBeRead)
{
    std::string out = dir / "OUT.KVZ";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunImportDbf({dir / "MISSING.DBF", "", out, false}), 1);
    EXPECT_EQ(RunImportDbf({units, dir / "MISSING.KVZ", out, false}), 1);
    // Variables for a unit the empty configuration does not have: no poll record to save.
    EXPECT_EQ(RunImportDbf({variables, "", out, false}), 1);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Import Variables: Failed to open " + (dir / "MISSING.DBF")), std::string::npos)
        << errors;
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A record meant for this configuration that gives nothing is named on stderr and gives exit status
// 1; units of other drivers and variables of other units are no loss.
TEST_F(ImportDbfCommand, RecordsThatGiveNothingAreNamedAndGiveOne)
{
    std::string moreUnits = dir / "MORE_UNITS.DBF";
    dbftest::WriteTable(moreUnits, {"NAME", "PROTOCOL", "COMMENT", "MODE"},
                        {{"PLC1", "VELDRIVE ETH", "Boiler", "Primary"},
                         {"", "VELDRIVE ETH", "nameless", "Primary"},
                         {"OTHER", "MODBUS", "", "Primary"}});
    std::string first = dir / "FIRST.KVZ";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunImportDbf({moreUnits, "", first, false}), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "kvzcfg: " + moreUnits + ": record 2: a unit of this driver without a NAME was not taken\n");
    EXPECT_EQ(SavedRecords(first), std::vector<std::string>{"PLC1:S0-S199/200"});

    std::string vars = dir / "VARS2.DBF";
    dbftest::WriteTable(vars, {"NAME", "ADDR", "UNIT", "TYPE"},
                        {{"T1", "DB10,4", "PLC1", "INT"},
                         {"T2", "M4", "PLC1", "FLOAT"},
                         {"T3", "XYZ", "plc1", "INT"},
                         {"T4", "M0", "ELSEWHERE", "INT"}});
    std::string second = dir / "SECOND.KVZ";
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunImportDbf({vars, first, second, false}), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "kvzcfg: " + vars +
                  ": record 2: variable T2 (UNIT PLC1, ADDR M4, TYPE FLOAT) gave no poll record\n" +
                  "kvzcfg: " + vars +
                  ": record 3: variable T3 (UNIT plc1, ADDR XYZ, TYPE INT) gave no poll record\n");
    EXPECT_EQ(SavedRecords(second),
              (std::vector<std::string>{"PLC1:S0-S199/200", "PLC1:DB010,B0004-DB010,B0005/2"}));
}

TEST_F(ImportDbfCommand, IsASubcommandOfKvzcfg)
{
    std::string out = dir / "OUT.KVZ";
    EXPECT_TRUE(dbftest::RunTool(KVZCFG_PATH, {"import-dbf", units, "--out", out}));
    EXPECT_TRUE(std::filesystem::exists(out));
    kvz::SpawnResult usage = kvz::SpawnProcess(KVZCFG_PATH, {"import-dbf", units});
    ASSERT_GT(usage.pid, 0);
    EXPECT_EQ(kvz::WaitProcess(usage.pid), 2);
}

} // namespace
