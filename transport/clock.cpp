#include "clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace ferrolink
{
namespace
{
class SystemClock final : public Clock
{
public:
    uint32_t TickMs() override
    {
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemClock g_system_clock;
std::atomic<Clock *> g_clock{&g_system_clock};
} // namespace

Clock &CurrentClock()
{
    return *g_clock.load();
}

void SetClock(Clock *clock)
{
    g_clock.store(clock != nullptr ? clock : &g_system_clock);
}

} // namespace ferrolink
