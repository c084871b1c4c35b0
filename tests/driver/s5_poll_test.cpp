// S5 devices: fetches through libFerrolink against the S5 responder of the transport tests, in a
// private network namespace.
#include "engine_fixture.h"
#include "niolib/nio_fields.h"
#include "niolib/nio_layout.h"
#include "niolib/niolib.h"
#include "s5_responder.h"

#include <gtest/gtest.h>

using namespace drivertest;
using Bytes = std::vector<uint8_t>;

namespace
{

std::string g_skip;

class S5Poll : public EngineTest
{
protected:
    static void SetUpTestSuite() { g_skip = ferrolink_test::EnterPrivateNetwork(); }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (!g_skip.empty())
            GTEST_SKIP() << g_skip;
        ASSERT_TRUE(responder_.Start(102));
    }
    uint16_t StatusNow(int16_t r) { return Status(r) & nio::kStatusMask; }
    ferrolink_test::S5Responder responder_;
};

} // namespace

TEST_F(S5Poll, DataBlockWordsArriveAndABlockBeyondTheControllersMemoryIsRefused)
{
    responder_.Poke(1, 5, 20, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
    ASSERT_TRUE(StartEngine({{"1,Yes,0.5,1.0,1,TCP/IP,lo"},
                             {"KILN,1,S5,E127.0.0.1,READREAD,WRITWRIT,S5 Series,EDISABLED,DISABLED,DISABLED"},
                             {"1,KILN,Word  (KF/KM),0.2,Disabled,Disabled,0.0,DB:5:10,3",
                              "2,KILN,Word  (KF/KM),0.2,Disabled,Disabled,0.0,DB:5:4000,8"}}));
    ASSERT_TRUE(WaitUntil([&] { return StatusNow(0) == 0; }, 5000)) << StatusNow(0);
    EXPECT_EQ(Data(0, 6), (Bytes{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
    EXPECT_TRUE(WaitUntil([&] { return StatusNow(1) == 4294; }, 3000)) << StatusNow(1);
    std::string out;
    EXPECT_EQ(Kvzcfg("driver read KILN:DB:5:11", &out), 0);
    EXPECT_EQ(out.rfind("KILN:DB:5:11 = 22136 (56 78) good", 0), 0u) << out;
}
