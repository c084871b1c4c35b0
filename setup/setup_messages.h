#pragma once
// The installer's messages, shown through the front end's message seam.
#include <string>

namespace kvz::setup
{

constexpr const char *kErrorCaption = "I/O Server Setup Error";
constexpr const char *kAbortedText = "I/O Server Setup aborted";
constexpr const char *kInfCaption = "INF";

// "message\n\nI/O Server Setup aborted".
void ShowSetupError(const std::string &message);
// "message\nWin32 error code: N\n\nI/O Server Setup aborted".
void ShowSetupErrorWithCode(const std::string &message, int error);
// The message alone, captioned "INF".
void ShowInfError(const std::string &message);

} // namespace kvz::setup
