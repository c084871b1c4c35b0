#pragma once
// Replacing a file without ever leaving it half written: a temporary file in the same folder is
// written and flushed (file and folder), then renamed over the target.
#include "platform/access_policy.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kvz
{

// On failure the target is untouched and `error` (when given) says why. With a restricting `access`
// policy the file is the policy's group's alone; otherwise it keeps the replaced file's mode.
bool WriteFileAtomically(const std::filesystem::path &target, std::string_view bytes,
                         std::error_code *error = nullptr, const AccessPolicy *access = nullptr);

} // namespace kvz
