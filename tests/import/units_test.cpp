// Units tables: which units become devices, what each device gets, and the table kinds by path.
#include "import/host_import.h"
#include "import_fixture.h"

#include <filesystem>

namespace
{

const std::vector<std::string> kUnitFields{"NAME", "PROTOCOL", "COMMENT", "MODE"};

class UnitsImport : public ImportTest
{
protected:
    CDevice *Device(const std::string &name) const { return FindDeviceByName(name); }
};

TEST_F(UnitsImport, EveryPrimaryUnitOfThisProtocolBecomesADeviceWithItsDefaultPollRecord)
{
    SKIP_WITHOUT_DBF_TOOLS();
    std::string table = dir / "UNITS.DBF";
    dbftest::WriteTable(table, kUnitFields,
                        {{"PLC1", "VELDRIVE ETH", "Boiler house", "Primary"},
                         {"PLC2", "VELDRIVE ETH", "Standby of PLC1", "STANDBY"},
                         {"PLC3", "MODBUS", "Other driver", "Primary"},
                         {"PLC4", "veldrive eth", "Lower-case protocol", "Primary"},
                         {"PLC5", "ETH VELDRIVE H1", "", "standby"},
                         {"PLC6", "VELDRIVE", "", "Secondary"}});
    hostdb::Import(table);

    EXPECT_EQ(InfoLines(), std::vector<std::string>{"Success 6 records"});
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(channel->DeviceCount(), 2u);
    CDevice *plc1 = Device("PLC1");
    ASSERT_NE(plc1, nullptr);
    EXPECT_EQ(plc1->GetChannel(), channel);
    EXPECT_EQ(plc1->GetDescription(), "Boiler house");
    EXPECT_EQ(Records(*plc1), std::vector<std::string>{"S0-S199/200"});
    EXPECT_EQ(plc1->IORecs()[0]->GetDevice(), plc1);
    ASSERT_NE(Device("PLC6"), nullptr);
    EXPECT_EQ(Device("PLC6")->GetDescription(), "");
    EXPECT_EQ(GetPollRecordCount(), 2);
}

TEST_F(UnitsImport, ANameAlreadyUsedInAnyChannelOrBlankIsSkipped)
{
    SKIP_WITHOUT_DBF_TOOLS();
    CDrvSpecificChannel *second = AddChannel();
    AddDevice(second, "Plc1");
    std::string table = dir / "units.dbf";
    dbftest::WriteTable(table, kUnitFields,
                        {{"PLC1", "VELDRIVE ETH", "taken elsewhere", "Primary"},
                         {"", "VELDRIVE ETH", "no name", "Primary"},
                         {"PLC7", "VELDRIVE ETH", "new", "Primary"},
                         {"PLC7", "VELDRIVE ETH", "twice in the table", "Primary"}});
    hostdb::Import(table);

    ASSERT_EQ(channel->DeviceCount(), 1u);
    EXPECT_EQ(channel->Devices()[0]->GetName(), "PLC7");
    EXPECT_EQ(channel->Devices()[0]->GetDescription(), "new");
    EXPECT_EQ(second->DeviceCount(), 1u);
}

TEST_F(UnitsImport, OnlyPathsHoldingUpperOrLowerCaseUnitsAreUnitsTables)
{
    SKIP_WITHOUT_DBF_TOOLS();
    // Units.dbf is read as a variables table, which needs UNIT, ADDR and TYPE: nothing is imported.
    std::string mixed = dir / "Units.dbf";
    dbftest::WriteTable(mixed, kUnitFields, {{"PLC1", "VELDRIVE ETH", "", "Primary"}});
    hostdb::Import(mixed);
    EXPECT_EQ(channel->DeviceCount(), 0u);
    EXPECT_TRUE(InfoLines().empty());

    std::filesystem::create_directories(dir.path() / "units");
    std::string inFolder = (dir.path() / "units" / "HOST.DBF").string();
    dbftest::WriteTable(inFolder, kUnitFields, {{"PLC9", "VELDRIVE ETH", "", "Primary"}});
    hostdb::Import(inFolder);
    EXPECT_NE(FindDeviceByName("PLC9"), nullptr);
}

TEST_F(UnitsImport, ARequiredFieldMissingImportsNothingWithoutAMessage)
{
    SKIP_WITHOUT_DBF_TOOLS();
    for (const char *missing : {"NAME", "PROTOCOL", "COMMENT"}) {
        std::vector<std::string> fields;
        std::vector<std::string> row;
        for (const auto &f : kUnitFields)
            if (f != missing) {
                fields.push_back(f);
                row.push_back(f == "PROTOCOL" ? "VELDRIVE ETH" : f == "MODE" ? "Primary" : "PLC1");
            }
        std::string table = dir / (std::string("UNITS_NO_") + missing + ".DBF");
        dbftest::WriteTable(table, fields, {row});
        hostdb::Import(table);
        EXPECT_EQ(channel->DeviceCount(), 0u) << missing;
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(InfoLines().empty());
}

TEST_F(UnitsImport, ATableWithoutModeHasNoStandbyUnits)
{
    SKIP_WITHOUT_DBF_TOOLS();
    std::string table = dir / "UNITS.DBF";
    dbftest::WriteTable(table, {"name", "Protocol", "COMMENT"}, {{"PLC1", "VELDRIVE ETH", "x"}});
    hostdb::Import(table);
    EXPECT_NE(FindDeviceByName("PLC1"), nullptr);
}

TEST_F(UnitsImport, ATableThatCannotBeOpenedShowsItsPathUnderTheImportsCaption)
{
    std::string units = dir / "UNITS.DBF";
    std::string variables = dir / "VARS.DBF";
    hostdb::Import(units);
    hostdb::Import(variables);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Failed to open " + units);
    EXPECT_EQ(ui.messages[0].caption, "Import Units");
    EXPECT_EQ(ui.messages[0].buttons, kvz::MsgButtons::Ok);
    EXPECT_EQ(ui.messages[1].text, "Failed to open " + variables);
    EXPECT_EQ(ui.messages[1].caption, "Import Variables");
    EXPECT_EQ(channel->DeviceCount(), 0u);
}

TEST_F(UnitsImport, ANameTheDeviceRefusesCreatesNoDevice)
{
    SKIP_WITHOUT_DBF_TOOLS();
    std::string table = dir / "UNITS.DBF";
    dbftest::WriteTable(table, kUnitFields,
                        {{"A_NAME_FAR_TOO_LONG_FOR_A_DEVICE", "VELDRIVE ETH", "", "Primary"},
                         {"PLC1", "VELDRIVE ETH", "", "Primary"}});
    hostdb::Import(table);
    ASSERT_EQ(channel->DeviceCount(), 1u);
    EXPECT_EQ(channel->Devices()[0]->GetName(), "PLC1");
    EXPECT_EQ(ui.messages.size(), 1u); // the device's own message about the name
}

} // namespace
