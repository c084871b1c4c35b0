// S7 reads through the Ferrolink exports over H1, against the H1 responder: on the in-memory wire
// (the library's threads and engine alone) and, as root, over AF_PACKET on a veth pair between two
// private namespaces. Round trips per second, p50/p99 latency, CPU per request. Figures only.
#include "af_packet_device.h"
#include "ferrolink.h"
#include "h1_responder.h"
#include "memory_packet_device.h"
#include "test_request.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ferrolink;
using namespace ferrolink_test;
using SteadyClock = std::chrono::steady_clock;

namespace
{
const MacAddress kAdapterMac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const MacAddress kPlcMac = {0x08, 0x00, 0x06, 0x01, 0x02, 0x03};

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs `count` one-item reads on a fresh connection of channel 0 and prints the figures.
void Measure(const char *what, int count)
{
    Request r;
    int c = H1_Create_Connection(0, "R=0;S=2", kPlcMac.data(), FL_KIND_S7, r.Raw());
    auto deadline = SteadyClock::now() + std::chrono::seconds(5);
    while (StatusField(c, FL_CS_STATE) != FL_STATE_CONNECTED && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<double> latencies;
    int lost = 0;
    double cpu = CpuSeconds();
    auto start = SteadyClock::now();
    for (int i = 0; i < count; ++i) {
        r.S7(FL_REQ_S7_READ, static_cast<uint32_t>(i), {{FL_S7_AREA_DB, 1, 4, 0}});
        auto t0 = SteadyClock::now();
        if (H1_Send_Request(c, r.Raw()) != 1) {
            ++lost;
            continue;
        }
        auto give_up = t0 + std::chrono::seconds(10);
        while (r.Completion() != FL_COMPLETION_DONE && SteadyClock::now() < give_up) {
            sched_yield();
        }
        if (r.Completion() != FL_COMPLETION_DONE || r.Result(0) != 0) {
            ++lost;
            continue;
        }
        latencies.push_back(std::chrono::duration<double, std::micro>(SteadyClock::now() - t0).count());
    }
    double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    cpu = CpuSeconds() - cpu;
    H1_Kill_Connection(c);
    std::sort(latencies.begin(), latencies.end());
    double p50 = latencies.empty() ? 0 : latencies[latencies.size() / 2];
    double p99 = latencies.empty() ? 0 : latencies[latencies.size() * 99 / 100];
    std::printf("%-34s %9.0f req/s   p50 %7.1f us   p99 %7.1f us   cpu %6.1f us/req   lost %d\n", what,
                count / seconds, p50, p99, cpu / count * 1e6, lost);
}

void InMemory(int count)
{
    auto wire = MemoryWire::Pair(kAdapterMac, kPlcMac);
    SetPacketDeviceOpener([wire] { return wire->Open(); });
    auto plc = wire->Open();
    BindAdapter(*plc, u"mem1");
    H1Responder responder(plc, kPlcMac);
    responder.Start();
    if (H1_Open_Channel(1, 0, u"mem0") == 1) {
        Measure("H1, in-memory wire, 1 item", count);
    }
    H1_Close_Channel(0);
    responder.Stop();
    SetPacketDeviceOpener({});
}

bool Shell(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool Enter(const std::string &ns)
{
    int fd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return ok;
}

void Veth(int count)
{
    if (geteuid() != 0) {
        std::printf("veth: skipped (needs root)\n");
        return;
    }
    std::string id = std::to_string(getpid());
    std::string a = "kvzh1ba-" + id, b = "kvzh1bb-" + id, ia = "h1ba" + id, ib = "h1bb" + id;
    int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (Shell("ip netns add " + a) && Shell("ip netns add " + b) &&
        Shell("ip -n " + a + " link add " + ia + " type veth peer name " + ib + " netns " + b) &&
        Shell("ip -n " + a + " link set " + ia + " address 02:00:00:00:00:01 up") &&
        Shell("ip -n " + b + " link set " + ib + " address 08:00:06:01:02:03 up") && Enter(b)) {
        auto device = OpenAfPacketDevice();
        if (device && BindAdapter(*device, std::u16string(ib.begin(), ib.end())) && Enter(a)) {
            H1Responder responder(device, kPlcMac);
            responder.Start();
            std::u16string name(ia.begin(), ia.end());
            if (H1_Open_Channel(1, 0, name.c_str()) == 1) {
                Measure("H1, AF_PACKET over veth, 1 item", count);
            }
            H1_Close_Channel(0);
            responder.Stop();
        }
    } else {
        std::printf("veth: skipped (no namespaces)\n");
    }
    setns(home, CLONE_NEWNET);
    close(home);
    Shell("ip netns delete " + a);
    Shell("ip netns delete " + b);
}
} // namespace

int main(int argc, char **argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    InMemory(count);
    Veth(count);
    return 0;
}
