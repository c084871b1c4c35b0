#pragma once
// What NIOLIB needs besides its routines: the acronym, hooks that tests and headless programs
// install (log observer, sleep), the live-status source, and small readers for the bytes a record
// pointer gives.
#include "platform/driver_identity.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace nio
{

// The driver acronym that names every shared object ("KVZ").
inline constexpr const char *kAcronym = kvz::kDriverIdentity.acronym;
// Caption of the error box.
inline constexpr const char *kLogCaption = "xxxDIDW.EXE";

// Sees every nio_log line (all levels) after it was formatted and cut; none by default. The
// configurator itself only shows level 70.
using LogObserver = std::function<void(uint16_t level, const std::string &text)>;
void SetLogObserver(LogObserver observer);

// Every wait of the library goes through this; tests install a fast one. Null restores real sleeps.
using SleepFunction = std::function<void(unsigned milliseconds)>;
void SetSleepFunction(SleepFunction sleep);
void Sleep(unsigned milliseconds);

// The FILETIME of now: 100 ns units since 1601-01-01 UTC.
uint64_t FileTimeNow();

// Drops every mapping and forgets all process-local state, as at process start (tests).
void ResetForTests();

// Readers for record pointers the library gave (the record is known to lie in the image).
inline uint16_t ReadU16(const uint8_t *p, size_t offset)
{
    return static_cast<uint16_t>(p[offset] | (p[offset + 1] << 8));
}
inline uint32_t ReadU32(const uint8_t *p, size_t offset)
{
    return static_cast<uint32_t>(p[offset]) | (static_cast<uint32_t>(p[offset + 1]) << 8) |
           (static_cast<uint32_t>(p[offset + 2]) << 16) | (static_cast<uint32_t>(p[offset + 3]) << 24);
}

} // namespace nio

namespace nio
{
// True while an image is mapped and its header passed the checks.
bool ImageMapped();
} // namespace nio
