// The document's Import Addresses command with the host database import behind it.
#include "dbf_tools.h"
#include "document/did_doc.h"
#include "import/host_import.h"
#include "model/channel.h"
#include "model/drv_specific_channel.h"
#include "recording_ui.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace
{

class ImportAddresses : public testing::Test
{
protected:
    void SetUp() override
    {
        auto channel = std::make_unique<CDrvSpecificChannel>();
        CChannel *c = channel.get();
        doc.m_ChannelList.push_back(std::move(channel));
        doc.SetCurrentChannel(c);
        doc.SetAddressImporter(hostdb::Import);
    }

    kvz::test::ScopedRegistry registry;
    kvz::test::RecordingUi ui;
    kvz::test::TempDir dir;
    CDidDoc doc;
};

TEST_F(ImportAddresses, TheChosenTableIsImportedUnderTheWaitCursorAndTheViewsAreRefreshed)
{
    SKIP_WITHOUT_DBF_TOOLS();
    std::string units = dir / "UNITS.DBF";
    dbftest::WriteTable(units, {"NAME", "PROTOCOL", "COMMENT", "MODE"},
                        {{"PLC1", "VELDRIVE ETH", "", "Primary"}});
    ui.files.push_back(units);
    doc.OnImportAddresses();

    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].filter, "DBase files(*.dbf)|*.DBF|Runtime files(*.rdb)|*.RDB||");
    EXPECT_EQ(ui.fileDialogs[0].defaultExt, "DBF");
    EXPECT_EQ(ui.waitCount, 1);
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(ui.viewUpdates, std::vector<int>{1});
    ASSERT_EQ(doc.m_ChannelList.front()->DeviceCount(), 1u);
    EXPECT_EQ(doc.m_ChannelList.front()->Devices()[0]->IORecCount(), 1u);
}

TEST_F(ImportAddresses, ACancelledDialogDoesNothing)
{
    ui.files.push_back(std::nullopt);
    doc.OnImportAddresses();
    EXPECT_EQ(ui.waitCount, 0);
    EXPECT_TRUE(ui.viewUpdates.empty());
    EXPECT_TRUE(ui.messages.empty());
}

} // namespace
