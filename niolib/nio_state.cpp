#include "niolib/nio_state.h"

#include "niolib/nio_support.h"
#include "niolib/niolib.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace nio
{
namespace detail
{

State &S()
{
    static State state;
    return state;
}

std::optional<size_t> ImageSpan(uint64_t fromH, uint64_t length)
{
    const State &s = S();
    uint64_t size = s.ditView.size();
    uint64_t start = kHeaderOffset + fromH; // both operands below 2^33: no overflow
    if (!s.ditView.valid() || fromH > size || length > size || start + length > size)
        return std::nullopt;
    return static_cast<size_t>(start);
}

std::optional<uint32_t> ImageU32(size_t absolute)
{
    const State &s = S();
    if (!s.ditView.valid() || absolute > s.ditView.size() || s.ditView.size() - absolute < 4)
        return std::nullopt;
    return ReadU32(s.ditView.data(), absolute);
}

uint8_t *ImageAt(size_t absolute)
{
    return S().ditView.data() + absolute;
}

std::string ImageName(const char *acronym, uint32_t number, bool global)
{
    char name[16];
    std::snprintf(name, sizeof name, global ? "Global\\%s%d" : "%s%d", acronym, static_cast<int>(number));
    return name;
}

} // namespace detail

namespace
{
SleepFunction &SleepSlot()
{
    static SleepFunction sleep;
    return sleep;
}
} // namespace

void SetSleepFunction(SleepFunction sleep)
{
    SleepSlot() = std::move(sleep);
}

void Sleep(unsigned milliseconds)
{
    if (SleepSlot())
        SleepSlot()(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint64_t FileTimeNow()
{
    constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochAsFileTime + static_cast<uint64_t>(ts.tv_sec) * 10000000ull +
           static_cast<uint64_t>(ts.tv_nsec) / 100u;
}

void ResetForTests()
{
    UnMapDIT();
    UnMapDriver();
    detail::S() = detail::State{};
}

} // namespace nio

bool nio::ImageMapped()
{
    return detail::S().ditMapped;
}
