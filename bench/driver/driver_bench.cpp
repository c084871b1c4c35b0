// KVZSPOLL polling snap7 servers on loopback in a private network namespace (root): poll records
// answered per second, the engine's CPU per answered record (its /proc accounting over the measured
// window; getrusage of its whole life beside it), beside
// a raw TCP ping-pong of the same S7 read; and one healthy record's poll period with every controller
// answering and again with one controller that accepts the connection and never answers.
// Figures only; never fails a build.
//
// driver_bench [DEVICES] [RECORDS_PER_DEVICE] [PERIOD_MS] [SECONDS] [SERVERS]
//   defaults 8 10 10 5 8: DEVICES devices spread over SERVERS snap7 servers (127.0.0.1..), each with
//   RECORDS_PER_DEVICE records of 16 bytes polled every PERIOD_MS. DRIVER_BENCH_ENGINE=PATH runs
//   another build of KVZSPOLL.
#include "niolib/nio_layout.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "private_network.h"
#include "raw_s7_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ferrolink_test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace
{

// Where the silent controller listens: on lo, but no snap7 server there.
constexpr const char *kSilentAddress = "127.0.0.200";
constexpr uint16_t kIsoPort = 102;

struct Config {
    int devices = 8;
    int records = 10;
    int periodMs = 10;
    int seconds = 5;
    int servers = 8;
};

double CpuSeconds(const rusage &u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds a running process has used so far (user and system, all its threads).
double ProcessCpu(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    // Fields after the command: state is 3, utime 14, stime 15.
    std::istringstream rest(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// DRIVER_BENCH_ENGINE names another build of the engine, for a before-and-after comparison.
const char *EnginePath()
{
    const char *other = std::getenv("DRIVER_BENCH_ENGINE");
    return other && *other ? other : KVZSPOLL_PATH;
}

pid_t StartEngine(const fs::path &log)
{
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    char *args[] = {const_cast<char *>(EnginePath()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, EnginePath(), &files, nullptr, args, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// Ends the engine and gives the CPU seconds of its whole life.
double StopEngine(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    return CpuSeconds(u);
}

double SelfCpu()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

std::string ServerAddress(int i)
{
    return "127.0.0." + std::to_string(1 + i);
}

// The raw floor: one 16-byte DB read after another over a plain blocking socket.
struct Floor {
    double rps = 0, cpuUs = 0;
};

Floor RawPingPong(int count)
{
    int fd = benchraw::ConnectS7(ServerAddress(0), kIsoPort);
    if (fd < 0)
        return {};
    std::vector<uint8_t> in;
    const std::vector<uint8_t> read = benchraw::DbReadRequest(1, 16);
    double cpu0 = SelfCpu();
    auto t0 = Clock::now();
    int done = 0;
    while (done < count && benchraw::SendAll(fd, read) && benchraw::ReadTpkt(fd, in))
        ++done;
    double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    double cpu = SelfCpu() - cpu0;
    close(fd);
    return done ? Floor{done / seconds, cpu * 1e6 / done} : Floor{};
}

// A controller that takes the connection and then says nothing: every request runs into the reply
// timeout, the worst a dead controller can do to the engine.
class SilentController
{
public:
    bool Start()
    {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int on = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, kSilentAddress, &a.sin_addr);
        a.sin_port = htons(kIsoPort);
        if (bind(listen_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(listen_, 16) != 0)
            return false;
        thread_ = std::thread([this] {
            while (!stop_) {
                int c = accept(listen_, nullptr, nullptr);
                if (c >= 0)
                    held_.push_back(c); // kept open, never read: the peer's frames just queue up
            }
        });
        return true;
    }
    ~SilentController()
    {
        stop_ = true;
        if (listen_ >= 0)
            shutdown(listen_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        for (int c : held_)
            close(c);
        if (listen_ >= 0)
            close(listen_);
    }

private:
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::vector<int> held_;
    std::thread thread_;
};

std::string Csv(const Config &c, bool withDead)
{
    std::string csv = "[ KVZ  Driver Configuration Report  , Monday March 02 2026, 07:30 AM ]\n"
                      "!CHANNEL,DISPLAY ALARMS,REPLY TIMEOUT,DELAY,RETRIES,Protocol,Ethernet card\n"
                      "1,Yes,0.5,1.0,1,TCP/IP,lo\n\n"
                      "!DEVICE NAME,CHANNEL,DESCRIPTION,ETHERNET ADDRESS,READ TSAP ID,WRITE TSAP ID,PLC_type,"
                      "Backup Ethernet addr,Backup read TSAP,Backup Write TSAP,\n";
    auto device = [](const std::string &name, const std::string &address) {
        return name + ",1,bench,E" + address + ",R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED\n";
    };
    for (int d = 0; d < c.devices; ++d)
        csv += device("D" + std::to_string(d), ServerAddress(d % c.servers));
    if (withDead)
        csv += device("DEAD", kSilentAddress);
    csv += "\n!IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND,START ADDRESS,LENGTH\n";
    char period[16];
    std::snprintf(period, sizeof period, "%.3f", c.periodMs / 1000.0);
    auto records = [&](const std::string &name) {
        for (int r = 0; r < c.records; ++r) {
            char address[32];
            std::snprintf(address, sizeof address, "\"DB001,B%04d\"", (r * 16) % 240);
            csv += std::to_string(r + 1) + "," + name + ",Byte," + period + ",Disabled,Disabled,0.0," +
                   address + ",16\n";
        }
    };
    for (int d = 0; d < c.devices; ++d)
        records("D" + std::to_string(d));
    if (withDead)
        records("DEAD");
    return csv;
}

struct Run {
    double rps = 0, cpuUs = 0, cpuShare = 0, lifeCpu = 0;
    double periodMeanMs = 0, periodP99Ms = 0, periodMaxMs = 0;
    bool ok = false;
};

uint16_t Load16(const uint8_t *p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint64_t Load64(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// One engine run on the configuration: counts answers from the channel's receive count (sampled
// often enough that its 16 bits never wrap unseen) and times the first record of device D0 from its
// time stamps.
Run Measure(const Config &c, bool withDead, const fs::path &dir)
{
    Run run;
    fs::path csv = dir / (withDead ? "dead.csv" : "healthy.csv");
    fs::path kvz = dir / (withDead ? "DEAD.KVZ" : "HEALTHY.KVZ");
    std::ofstream(csv) << Csv(c, withDead);
    std::string convert = std::string("'") + KVZCFG_PATH + "' convert '" + csv.string() + "' '" +
                          kvz.string() + "' >/dev/null 2>&1";
    if (std::system(convert.c_str()) != 0 || SetConfigFilePath(kvz.c_str()) != 1) {
        std::fprintf(stderr, "the configuration could not be written\n");
        return run;
    }
    pid_t engine = StartEngine(dir / "engine.log");
    if (engine < 0) {
        std::fprintf(stderr, "KVZSPOLL did not start\n");
        return run;
    }
    // Asked once per step: "alive" is a change of the heartbeat since the previous question.
    auto waitFor = [](auto done, int ms) {
        auto end = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (done())
                return true;
            if (Clock::now() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    uint8_t *channel = nullptr;
    uint8_t *block = nullptr;
    bool mapped = waitFor([] { return nio_map_hdr() != nullptr && nio_driver_alive() == 0; }, 10000) &&
                  (channel = nio_map_chan(0)) != nullptr && (block = nio_map_dit(0)) != nullptr &&
                  waitFor([&] { return Load64(block + nio::kBlkTimeStamp) != 0; }, 10000);
    if (!mapped) {
        std::fprintf(stderr, "the engine did not poll the first record (status %d; its messages: %s)\n",
                     block ? Load16(block + nio::kBlkStatus) : -1, (dir / "engine.log").c_str());
        StopEngine(engine);
        return run;
    }
    // Warm-up: every connection made, the dead one into its first timeout.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    uint64_t answers = 0;
    uint16_t lastRx = Load16(channel + nio::kChanRxCount);
    uint64_t lastStamp = Load64(block + nio::kBlkTimeStamp);
    std::vector<double> periods;
    double cpu0 = ProcessCpu(engine);
    auto t0 = Clock::now();
    auto end = t0 + std::chrono::seconds(c.seconds);
    auto nextCount = t0;
    while (Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        uint64_t stamp = Load64(block + nio::kBlkTimeStamp);
        if (stamp != lastStamp) {
            periods.push_back(static_cast<double>(stamp - lastStamp) / 1e4); // FILETIME: 100 ns units
            lastStamp = stamp;
        }
        if (Clock::now() >= nextCount) {
            uint16_t rx = Load16(channel + nio::kChanRxCount);
            answers += static_cast<uint16_t>(rx - lastRx);
            lastRx = rx;
            nextCount += std::chrono::milliseconds(20);
        }
    }
    double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    answers += static_cast<uint16_t>(Load16(channel + nio::kChanRxCount) - lastRx);
    double cpu = ProcessCpu(engine) - cpu0;
    double life = StopEngine(engine);
    nio::ResetForTests(); // the next run maps the next engine's block and image afresh
    run.rps = static_cast<double>(answers) / seconds;
    run.cpuUs = answers ? cpu * 1e6 / static_cast<double>(answers) : 0;
    run.cpuShare = cpu / seconds;
    run.lifeCpu = life;
    if (!periods.empty()) {
        std::sort(periods.begin(), periods.end());
        double sum = 0;
        for (double p : periods)
            sum += p;
        run.periodMeanMs = sum / static_cast<double>(periods.size());
        run.periodP99Ms = periods[periods.size() * 99 / 100];
        run.periodMaxMs = periods.back();
    }
    run.ok = true;
    return run;
}

void PrintRun(const char *what, const Run &r)
{
    std::printf("%-40s %9.0f records/s  cpu %6.1f us/record (%4.0f%% of a core; %.2f s in its life)\n"
                "%-40s D0 period mean %6.2f ms  p99 %6.2f ms  max %7.2f ms\n",
                what, r.rps, r.cpuUs, r.cpuShare * 100, r.lifeCpu, "", r.periodMeanMs, r.periodP99Ms,
                r.periodMaxMs);
}

} // namespace

int main(int argc, char **argv)
{
    Config c;
    int *fields[] = {&c.devices, &c.records, &c.periodMs, &c.seconds, &c.servers};
    for (int i = 1; i < argc && i <= 5; ++i)
        *fields[i - 1] = std::max(1, std::atoi(argv[i]));
    c.servers = std::min(c.servers, c.devices);
    std::string why;
    std::string peers = PeersFolder(why);
    if (peers.empty() || !(why = EnterPrivateNetwork()).empty()) {
        std::printf("skipped: %s\n", why.c_str());
        return 0;
    }
    // The bench's own registry and shared-memory names: a running installation is never touched.
    char pattern[] = "/tmp/kvz-driver-bench-XXXXXX";
    fs::path dir = mkdtemp(pattern);
    setenv("KVZ_REGISTRY_USER", (dir / "user").c_str(), 1);
    setenv("KVZ_REGISTRY_MACHINE", (dir / "machine").c_str(), 1);
    std::string ns = "kvzbench" + std::to_string(getpid());
    setenv("KVZ_SHM_NAMESPACE", ns.c_str(), 1);

    std::vector<std::unique_ptr<PeerProcess>> servers;
    for (int i = 0; i < c.servers; ++i) {
        servers.push_back(std::make_unique<PeerProcess>());
        if (!servers.back()->Start({"node", peers + "/s7_server.js", ServerAddress(i)}, "ready", 10000)) {
            std::printf("skipped: snap7 server %d did not start\n", i + 1);
            return 0;
        }
    }
    SilentController silent;
    if (!silent.Start()) {
        std::printf("skipped: no listener at %s\n", kSilentAddress);
        return 0;
    }
    std::printf("KVZSPOLL: %d devices on %d snap7 servers, %d records of 16 bytes each every %d ms (%.0f "
                "records/s asked), %d s per run\n",
                c.devices, c.servers, c.records, c.periodMs, 1000.0 * c.devices * c.records / c.periodMs,
                c.seconds);
    Floor f = RawPingPong(20000);
    std::printf("%-40s %9.0f requests/s  cpu %6.1f us/request\n", "raw TCP ping-pong, 16-byte read (floor)",
                f.rps, f.cpuUs);
    Run healthy = Measure(c, false, dir);
    if (healthy.ok)
        PrintRun("engine, every controller answering", healthy);
    Run dead = Measure(c, true, dir);
    if (dead.ok)
        PrintRun("engine, plus one silent controller", dead);
    if (healthy.ok && f.cpuUs > 0)
        std::printf("engine cpu per record / floor cpu per request: %.2f\n", healthy.cpuUs / f.cpuUs);
    nio_disconnect();
    for (auto &s : servers)
        s->Stop();
    std::error_code ec;
    if (healthy.ok && dead.ok)
        fs::remove_all(dir, ec);
    for (const auto &entry : fs::directory_iterator("/dev/shm", ec))
        if (entry.path().filename().string().starts_with(ns + "."))
            fs::remove(entry.path(), ec);
    return 0;
}
