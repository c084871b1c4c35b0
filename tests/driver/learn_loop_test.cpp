// The learn loop: `kvzcfg driver read` on an address that no poll record covers makes the engine
// post a learn message, and a configurator learning addresses adds the record from the ring.
#include "document/driver_messages.h"
#include "engine_fixture.h"
#include "model/channel.h"
#include "model/device.h"
#include "model/drv_specific_iorec.h"

#include <gtest/gtest.h>

using namespace drivertest;

namespace
{

class LearnLoop : public EngineTest
{
};

// Nothing listens on loopback port 102 here: the device fails, which the loop does not need.
PlantCsv Plant()
{
    return {{"1,Yes,0.5,1.0,1,TCP/IP,lo"},
            {"PLC1,1,learns,E127.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED"},
            {"1,PLC1,Byte,1.0,Disabled,Disabled,0.0,M0,2"}};
}

std::vector<std::string> Starts(const CDevice &device)
{
    std::vector<std::string> out;
    for (const auto &r : device.IORecs())
        out.push_back(static_cast<const CDrvSpecificIORec &>(*r).GetAddressText(1));
    return out;
}

} // namespace

TEST_F(LearnLoop, AReadOutsideEveryRecordIsLearnedByTheConfigurator)
{
    ASSERT_TRUE(StartEngine(Plant()));
    ASSERT_EQ(doc_->OnOpenDocument(config_), 1);
    ASSERT_NE(doc_->m_pCurrentChannel, nullptr);
    CDevice *device = doc_->m_pCurrentChannel->FindDevice("PLC1");
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(Starts(*device), (std::vector<std::string>{"M0"}));

    std::string out;
    EXPECT_EQ(Kvzcfg("driver read PLC1:M1", &out), 0) << "covered: no learning";
    EXPECT_EQ(Kvzcfg("driver read PLC1:MW50", &out), 1);

    doc_->m_pCurrentChannel->SetLearnAddresses(true);
    DriverMessageFeed feed;
    bool learned = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const auto &line : feed.Tick(*doc_))
                learned = learned || (line.learned && line.text.find("PLC1:MW50") != std::string::npos);
            return learned;
        },
        3000));
    // The learned word widens the record that it follows (the configurator's merge rule).
    ASSERT_EQ(Starts(*device), (std::vector<std::string>{"M0"}));
    EXPECT_EQ(static_cast<const CDrvSpecificIORec &>(*device->IORecs()[0]).GetAddressText(0), "M51");
}
