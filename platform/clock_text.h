#pragma once
// The main frame's clock pane: local time as "%I:%M %p" in the C locale ("03:07 PM").
#include <ctime>
#include <string>

namespace kvz
{
std::string ClockText(std::time_t when);
} // namespace kvz
