// The H1 session over real AF_PACKET frames: two network namespaces made by the test, joined by a
// veth pair; the shipped library on one end, the H1 responder on a raw socket on the other, and
// tshark decoding a capture of the wire. Needs root and iproute2; skips otherwise.
#include "af_packet_device.h"
#include "ferrolink.h"
#include "h1_responder.h"
#include "private_network.h"
#include "test_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>

using namespace ferrolink_test;
using Bytes = std::vector<uint8_t>;

namespace
{
const ferrolink::MacAddress kAdapterMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const ferrolink::MacAddress kPlcMac = {0x08, 0x00, 0x06, 0x01, 0x02, 0x03};
constexpr int kH1 = 1;

std::string CommandOutput(const std::string &command)
{
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) {
        out.append(buffer, n);
    }
    pclose(p);
    return out;
}

bool Shell(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

template <class F> bool Eventually(F condition, int timeout_ms = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Moves the calling thread into a namespace; sockets opened there stay there.
bool EnterNamespace(const std::string &path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return ok;
}

class H1Veth : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root for network namespaces and raw sockets";
        }
        if (!Shell("command -v ip")) {
            GTEST_SKIP() << "iproute2 is not installed";
        }
        std::string id = std::to_string(getpid());
        ns_a = "kvzh1a-" + id;
        ns_b = "kvzh1b-" + id;
        if_a = "h1a" + id;
        if_b = "h1b" + id;
        if (!Shell("ip netns add " + ns_a) || !Shell("ip netns add " + ns_b)) {
            Cleanup();
            GTEST_SKIP() << "network namespaces cannot be made here";
        }
        made = true;
        ASSERT_TRUE(
            Shell("ip -n " + ns_a + " link add " + if_a + " type veth peer name " + if_b + " netns " + ns_b));
        // No IPv6 chatter on the test wire: only the transport's frames travel there.
        Shell("ip netns exec " + ns_a + " sysctl -w net.ipv6.conf.all.disable_ipv6=1");
        Shell("ip netns exec " + ns_b + " sysctl -w net.ipv6.conf.all.disable_ipv6=1");
        ASSERT_TRUE(Shell("ip -n " + ns_a + " link set " + if_a + " address 02:00:00:00:00:01 up"));
        ASSERT_TRUE(Shell("ip -n " + ns_b + " link set " + if_b + " address 08:00:06:01:02:03 up"));
        home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(home, 0);
    }

    void TearDown() override
    {
        if (home >= 0) {
            setns(home, CLONE_NEWNET);
            close(home);
        }
        Cleanup();
    }

    void Cleanup()
    {
        Shell("ip netns delete " + ns_a);
        Shell("ip netns delete " + ns_b);
    }

    // Opens the responder's raw socket in the controller's namespace and starts it.
    void StartResponder()
    {
        ASSERT_TRUE(EnterNamespace("/run/netns/" + ns_b));
        auto device = ferrolink::OpenAfPacketDevice();
        ASSERT_TRUE(device);
        ASSERT_TRUE(ferrolink::WaitForBindings(*device));
        ASSERT_TRUE(ferrolink::BindAdapter(*device, std::u16string(if_b.begin(), if_b.end())));
        auto address = ferrolink::QueryAdapterAddress(*device);
        ASSERT_TRUE(address);
        EXPECT_EQ(*address, kPlcMac);
        responder = std::make_unique<H1Responder>(device, kPlcMac);
        responder->Start();
    }

    bool Completes(Request &r)
    {
        return Eventually([&] { return r.Completion() == FL_COMPLETION_DONE; });
    }

    std::string ns_a, ns_b, if_a, if_b;
    bool made = false;
    int home = -1;
    std::unique_ptr<H1Responder> responder;
};
} // namespace

TEST_F(H1Veth, S7AndS5SessionsOverRawFramesDecodeCleanly)
{
    bool tshark = Shell("command -v tshark");
    auto folder = std::filesystem::temp_directory_path() / ("ferrolink-h1-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    auto file = folder / "h1.pcapng";
    PeerProcess capture;
    if (tshark) {
        ASSERT_TRUE(capture.Start(
            {"ip", "netns", "exec", ns_a, "tshark", "-i", if_a, "-q", "-w", file.string()}, "", 0));
        for (int i = 0; i < 100 && !(std::filesystem::exists(file) && std::filesystem::file_size(file) > 0);
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }

    StartResponder();
    ASSERT_TRUE(EnterNamespace("/run/netns/" + ns_a));
    auto *adapters = static_cast<FerrolinkAdapterList *>(H1_GetAdapternames());
    ASSERT_NE(adapters, nullptr);
    ASSERT_EQ(adapters->count, 1u) << "the veth end is the only Ethernet adapter here";
    std::u16string name(adapters->name[0]);
    EXPECT_EQ(name, std::u16string(if_a.begin(), if_a.end()));
    EXPECT_NE(std::u16string(adapters->description[0]).find(u"02:00:00:00:00:01"), std::u16string::npos);
    ASSERT_EQ(H1_Open_Channel(kH1, 0, name.c_str()), 1);
    auto *status = static_cast<uint8_t *>(H1_Get_Channel_Status(0));
    EXPECT_EQ(Bytes(status, status + 6), Bytes(kAdapterMac.begin(), kAdapterMac.end()));

    Request request;
    int c = H1_Create_Connection(0, "R=0;S=2", kPlcMac.data(), FL_KIND_S7, request.Raw());
    ASSERT_GE(c, 0);
    ASSERT_TRUE(Eventually([&] { return StatusField(c, FL_CS_STATE) == FL_STATE_CONNECTED; }));
    EXPECT_EQ(StatusField(c, FL_CS_PDU_SIZE), 480);
    request.S7(FL_REQ_S7_READ, 0x31, {{FL_S7_AREA_DB, 10, 4, 2}, {FL_S7_AREA_INPUTS, 0, 1, 0}});
    ASSERT_EQ(H1_Send_Request(c, request.Raw()), 1);
    ASSERT_TRUE(Completes(request));
    EXPECT_EQ(request.Result(0), 0u);
    EXPECT_EQ(request.Slot(0, 4), (Bytes{2 * 7 + 3, 3 * 7 + 3, 4 * 7 + 3, 5 * 7 + 3}));
    Request write;
    write.S7(FL_REQ_S7_WRITE, 0x32, {{FL_S7_AREA_DB, 10, 3, 0}, {FL_S7_AREA_MARKERS, 0, 2, 4}});
    write.SetSlot(0, {1, 2, 3});
    write.SetSlot(1, {4, 5});
    ASSERT_EQ(H1_Send_Write_Data(c, write.Raw()), 1);
    ASSERT_TRUE(Completes(write));
    EXPECT_EQ(write.Result(0), 0u);
    EXPECT_EQ(write.Result(1), 0u);
    EXPECT_EQ(H1_Disconnect_Connection(c), 1);
    ASSERT_TRUE(responder->WaitFor(0x8, 1, 3000));
    H1_Kill_Connection(c);

    Request fetch;
    int s5 = H1_Create_Connection(0, "ABCDEFGH", kPlcMac.data(), FL_KIND_S5, fetch.Raw());
    ASSERT_GE(s5, 0);
    ASSERT_TRUE(Eventually([&] { return StatusField(s5, FL_CS_STATE) == FL_STATE_CONNECTED; }));
    fetch.Put32(FL_RB_ITEM_BASE + FL_RB_ITEM_AREA, 1);
    fetch.Put16(FL_RB_ITEM_BASE + FL_RB_ITEM_DB, 3);
    fetch.Put16(FL_RB_ITEM_BASE + FL_RB_ITEM_LENGTH, 2);
    fetch.Put32(FL_RB_ITEM_BASE + FL_RB_ITEM_START, 0);
    fetch.Put32(FL_RB_CAPACITY, 64);
    ASSERT_EQ(H1_Send_Request(s5, fetch.Raw()), 1);
    ASSERT_TRUE(Completes(fetch));
    EXPECT_EQ(fetch.BytesReturned(0), 4u);
    EXPECT_EQ(fetch.Data(4), (Bytes{3, 10, 17, 24}));

    // Recovery on real frames: the controller disconnects; the library confirms, connects again
    // within the 5 s connection timer, and the next request completes.
    responder->SetMode(H1Responder::Mode::DisconnectOnData);
    fetch.Put32(FL_RB_COMPLETION, 0);
    ASSERT_EQ(H1_Send_Request(s5, fetch.Raw()), 1);
    ASSERT_TRUE(responder->WaitFor(0xC, 1, 3000)) << "DC for the controller's DR";
    ASSERT_TRUE(Eventually([&] { return StatusField(s5, FL_CS_DISCONNECTS_RECEIVED) == 1; }));
    ASSERT_TRUE(Eventually([&] { return StatusField(s5, FL_CS_STATE) == FL_STATE_CONNECTED; }, 8000));
    Request again = fetch;
    again.Put32(FL_RB_COMPLETION, 0);
    ASSERT_EQ(H1_Send_Request(s5, again.Raw()), 1);
    ASSERT_TRUE(Completes(again));
    EXPECT_EQ(again.Data(4), (Bytes{3, 10, 17, 24}));
    H1_Disconnect_Connection(s5);
    ASSERT_TRUE(responder->WaitFor(0x8, 2, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    H1_Close_Channel(0);
    responder->Stop();

    if (!tshark) {
        std::filesystem::remove_all(folder);
        GTEST_SKIP() << "tshark is not installed: the session ran, the capture is not decoded";
    }
    capture.Stop();
    std::string text = CommandOutput("tshark -r '" + file.string() + "' -V 2>&1");
    std::string protocols =
        CommandOutput("tshark -r '" + file.string() + "' -T fields -e frame.protocols 2>/dev/null");
    if (std::getenv("KVZ_KEEP_CAPTURE") == nullptr) {
        std::filesystem::remove_all(folder);
    }
    EXPECT_NE(text.find("Logical-Link Control"), std::string::npos) << text;
    EXPECT_NE(text.find("ISO 8073/X.224 COTP"), std::string::npos);
    EXPECT_NE(text.find("CR Connect Request"), std::string::npos);
    EXPECT_NE(text.find("CC Connect Confirm"), std::string::npos);
    EXPECT_NE(text.find("DT Data"), std::string::npos);
    EXPECT_NE(text.find("AK Data Acknowledgement"), std::string::npos);
    EXPECT_NE(text.find("DR Disconnect Request"), std::string::npos);
    EXPECT_NE(text.find("DC Disconnect Confirm"), std::string::npos);
    EXPECT_EQ(text.find("Malformed"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Expert Info (Error"), std::string::npos) << text;
    // Every frame on the wire is LLC carrying COTP.
    size_t frames = 0;
    size_t at = 0;
    while (at < protocols.size()) {
        size_t end = protocols.find('\n', at);
        std::string line = protocols.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? protocols.size() : end + 1;
        if (line.empty()) {
            continue;
        }
        ++frames;
        EXPECT_NE(line.find("eth:llc"), std::string::npos) << line;
        EXPECT_NE(line.find("cotp"), std::string::npos) << line;
    }
    EXPECT_GE(frames, 12u);
}
