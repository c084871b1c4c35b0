#pragma once
// The time a save or an export stamps into its file: SOURCE_DATE_EPOCH when it is set (reproducible
// output), the clock otherwise.
#include <ctime>
#include <optional>

// Seconds since 1970-01-01 UTC.
std::time_t SaveTimeNow();
// True when SOURCE_DATE_EPOCH gave the time (texts are then formatted in UTC, not local time).
bool SaveTimeIsFixed();
