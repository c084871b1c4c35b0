// How long the configurator's per-tick accesses take against a mapped image: a poll record's status
// (the configuration view reads one per row each second), a channel record (the main frame), the
// message ring, and a whole attach. Figures for the notes; never a test.
#include "image_builder.h"
#include "nio_fixture.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace
{

class Session
{
public:
    Session()
    {
        ::setenv("KVZ_SHM_NAMESPACE", ("kvzbench" + std::to_string(::getpid())).c_str(), 1);
        ::setenv("KVZ_REGISTRY_USER", "/nonexistent/kvzbench", 1);
        ::setenv("KVZ_REGISTRY_MACHINE", "/nonexistent/kvzbench", 1);
        nio::SetLogObserver(nullptr);
        nio::SetSleepFunction([this](unsigned) {
            if (driver.block())
                driver.Set32(nio::kCbHeartbeat, driver.Get32(nio::kCbHeartbeat) + 1);
        });
        niotest::TestImage layout;
        for (int c = 0; c < 16; ++c) {
            niotest::TestChannel channel;
            for (int d = 0; d < 8; ++d)
                channel.devices.push_back({"PLC" + std::to_string(c * 8 + d), 20, {64, 0, 0, 0, 0}});
            layout.channels.push_back(channel);
        }
        driver.CreateBlock();
        driver.PublishImage(1, niotest::BuildImage(layout).bytes);
    }
    ~Session()
    {
        nio::ResetForTests();
        kvz::UnlinkShm("Global\\KVZ_TO_IOC");
        kvz::UnlinkShm("Global\\KVZ1");
    }
    niotest::DriverSide driver;
};

Session &S()
{
    static Session session;
    return session;
}

void StatusWord(benchmark::State &state)
{
    S();
    nio_map_hdr();
    int16_t count = nio_rec_count();
    int16_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(nio_map_dit(i));
        i = static_cast<int16_t>((i + 1) % count);
    }
    state.counters["records"] = count;
}
BENCHMARK(StatusWord);

void ChannelRecord(benchmark::State &state)
{
    S();
    for (auto _ : state)
        benchmark::DoNotOptimize(nio_map_chan(7));
}
BENCHMARK(ChannelRecord);

void FindDevice(benchmark::State &state)
{
    S();
    int16_t channel = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(nio_find_device("plc127", &channel));
}
BENCHMARK(FindDevice);

void EmptyRing(benchmark::State &state)
{
    S();
    const char *text = nullptr;
    uint16_t code = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(nio_get_message(&text, &code, 0));
}
BENCHMARK(EmptyRing);

void AttachAndMap(benchmark::State &state)
{
    S();
    for (auto _ : state) {
        nio::ResetForTests();
        benchmark::DoNotOptimize(nio_map_hdr());
    }
}
BENCHMARK(AttachAndMap);

} // namespace

BENCHMARK_MAIN();
