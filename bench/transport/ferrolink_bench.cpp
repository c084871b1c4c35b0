// S7 reads through libFerrolink against the snap7 server on loopback, in a private network
// namespace (root): round trips per second, p50/p99 latency and CPU time per request, beside
// snap7's own client and a raw TCP ping-pong of the same frames. Figures only; never fails a build.
#include "ferrolink.h"
#include "private_network.h"
#include "raw_s7_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ferrolink_test;
using Clock = std::chrono::steady_clock;

namespace
{
constexpr uint32_t kLoopback = 0x7F000001;

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Figures {
    double rps = 0;
    double p50_us = 0;
    double p99_us = 0;
    double cpu_us = 0;
    int lost = 0;
};

void Print(const char *what, const Figures &f)
{
    std::printf("%-44s %10.0f req/s   p50 %7.1f us   p99 %7.1f us   cpu %6.1f us/req   lost %d\n", what,
                f.rps, f.p50_us, f.p99_us, f.cpu_us, f.lost);
}

Figures Summarise(std::vector<double> &latencies, double seconds, double cpu, int lost)
{
    Figures f;
    std::sort(latencies.begin(), latencies.end());
    f.rps = static_cast<double>(latencies.size()) / seconds;
    f.p50_us = latencies[latencies.size() / 2];
    f.p99_us = latencies[latencies.size() * 99 / 100];
    f.cpu_us = cpu * 1e6 / static_cast<double>(latencies.size());
    f.lost = lost;
    return f;
}

struct Block {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(FL_RB_S7_BLOCK_SIZE);
    void Put32(int at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }
    void Put16(int at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); }
    bool AllItemsGood(int items) const
    {
        for (int i = 0; i < items; ++i) {
            uint32_t result;
            std::memcpy(&result, &bytes[FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i + FL_RB_ITEM_RESULT], 4);
            if (result != FL_RESULT_OK) {
                return false;
            }
        }
        return true;
    }
    uint32_t Completion() const
    {
        uint32_t v;
        std::memcpy(&v, &bytes[FL_RB_COMPLETION], 4);
        return v;
    }
    void Read(int items, uint32_t reference)
    {
        Put32(FL_RB_ITEM_COUNT, static_cast<uint32_t>(items));
        Put32(FL_RB_REFERENCE, reference);
        Put16(FL_RB_REQUEST_KIND, FL_REQ_S7_READ);
        for (int i = 0; i < items; ++i) {
            int base = FL_RB_ITEM_BASE + FL_RB_ITEM_SIZE * i;
            Put32(base + FL_RB_ITEM_AREA, FL_S7_AREA_DB);
            Put16(base + FL_RB_ITEM_DB, 10);
            Put16(base + FL_RB_ITEM_LENGTH, 4);
            Put32(base + FL_RB_ITEM_START, static_cast<uint32_t>(4 * i));
        }
    }
};

uint16_t State(int connection)
{
    uint16_t v;
    std::memcpy(&v, static_cast<uint8_t *>(H1_Get_Connection_Status(connection)) + FL_CS_STATE, 2);
    return v;
}

int Connect()
{
    uint32_t address = kLoopback;
    unsigned char remote[6] = {};
    std::memcpy(remote, &address, 4);
    int c = H1_Create_Connection(0, "R=0;S=2", remote, FL_KIND_S7, nullptr);
    auto end = Clock::now() + std::chrono::seconds(5);
    while (c >= 0 && State(c) != FL_STATE_CONNECTED && Clock::now() < end) {
        TCP_Read(c);
    }
    return c >= 0 && State(c) == FL_STATE_CONNECTED ? c : -1;
}

// `connections` connections, each with one request in flight at all times, polled round robin.
Figures FerrolinkReads(int connections, int items, int per_connection)
{
    H1_Open_Channel(FL_CHANNEL_TCP, 0, nullptr);
    std::vector<int> ids;
    for (int i = 0; i < connections; ++i) {
        int c = Connect();
        if (c < 0) {
            std::fprintf(stderr, "connection %d failed\n", i);
            H1_Close_Channel(0);
            return {};
        }
        ids.push_back(c);
    }
    std::vector<Block> blocks(connections);
    std::vector<Clock::time_point> started(connections);
    std::vector<int> done(connections, 0);
    std::vector<double> latencies;
    latencies.reserve(static_cast<size_t>(connections) * per_connection);
    uint32_t reference = 1;
    auto send = [&](int i) {
        blocks[i].Read(items, reference++);
        started[i] = Clock::now();
        H1_Send_Request(ids[i], blocks[i].bytes.data());
    };
    for (int i = 0; i < connections; ++i) {
        send(i);
    }
    int lost = 0;
    double cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    int remaining = connections;
    while (remaining > 0) {
        bool progressed = false;
        for (int i = 0; i < connections; ++i) {
            if (done[i] >= per_connection) {
                continue;
            }
            TCP_Read(ids[i]);
            uint32_t completion = blocks[i].Completion();
            auto now = Clock::now();
            bool timed_out = now - started[i] > std::chrono::seconds(10);
            if (completion == FL_COMPLETION_RUNNING && !timed_out) {
                continue;
            }
            progressed = true;
            if (completion != FL_COMPLETION_DONE || timed_out || !blocks[i].AllItemsGood(items)) {
                ++lost;
            }
            latencies.push_back(std::chrono::duration<double, std::micro>(now - started[i]).count());
            if (++done[i] < per_connection) {
                send(i);
            } else {
                --remaining;
            }
        }
        if (!progressed) {
            // A poll engine with nothing to do gives the core away; on a busy machine the server needs it.
            sched_yield();
        }
    }
    double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    double cpu = CpuSeconds() - cpu0;
    H1_Close_Channel(0);
    return Summarise(latencies, seconds, cpu, lost);
}

// The floor: the same frames over a plain blocking socket, no engine in between.
Figures RawPingPong(int count)
{
    int fd = benchraw::ConnectS7("127.0.0.1");
    if (fd < 0)
        return {};
    std::vector<uint8_t> in;
    const std::vector<uint8_t> read = benchraw::DbReadRequest(10, 4);
    std::vector<double> latencies;
    double cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto s = Clock::now();
        if (!benchraw::SendAll(fd, read) || !benchraw::ReadTpkt(fd, in)) {
            break;
        }
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - s).count());
    }
    double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    double cpu = CpuSeconds() - cpu0;
    close(fd);
    return latencies.empty() ? Figures{} : Summarise(latencies, seconds, cpu, 0);
}

Figures Snap7Client(const std::string &peers, int count, int items)
{
    std::string command = "NODE_PATH='" + peers + "/node_modules' node '" + std::string(KVZ_BENCH_DIR) +
                          "/snap7_client_bench.js' " + std::to_string(count) + " " + std::to_string(items);
    FILE *pipe = popen(command.c_str(), "r");
    Figures f;
    if (pipe == nullptr) {
        return f;
    }
    char line[512] = {};
    if (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::sscanf(line, "{\"rps\":%lf,\"p50_us\":%lf,\"p99_us\":%lf,\"cpu_us_per_request\":%lf", &f.rps,
                    &f.p50_us, &f.p99_us, &f.cpu_us);
    }
    pclose(pipe);
    return f;
}
} // namespace

int main(int argc, char **argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::string why;
    std::string peers = PeersFolder(why);
    if (peers.empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    why = EnterPrivateNetwork();
    if (!why.empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    PeerProcess server;
    if (!server.Start({"node", peers + "/s7_server.js"}, "ready", 10000)) {
        std::printf("skipped: the snap7 server did not start\n");
        return 0;
    }
    std::printf("S7 reads against the snap7 server on loopback, %d requests per run\n", count);
    Print("raw TCP ping-pong, 1 item (floor)", RawPingPong(count));
    Print("Ferrolink, 1 connection, 1 item", FerrolinkReads(1, 1, count));
    Print("snap7 client (node-snap7), 1 item", Snap7Client(peers, count, 1));
    Print("Ferrolink, 1 connection, 19 items", FerrolinkReads(1, 19, count));
    Print("snap7 client (node-snap7), 19 items", Snap7Client(peers, count, 19));
    Print("Ferrolink, 16 connections, 1 item", FerrolinkReads(16, 1, std::max(1, count / 16)));
    Print("Ferrolink, 256 connections, 1 item", FerrolinkReads(256, 1, std::max(1, count / 256)));
    return 0;
}
