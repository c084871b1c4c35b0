#pragma once
// Folders that the host system would supply, each from an environment variable when set, else a
// fixed Linux default.
#include <string>

namespace kvz::setup
{

// The system folder (shared libraries of all programs): KVZ_SYSTEM_DIR.
std::string SystemDirectory();
// The folder above the system folder: KVZ_WINDOWS_DIR, else the system folder's parent.
std::string WindowsDirectory();
// The Programs folder of the start menu shared by all users: KVZ_COMMON_PROGRAMS.
std::string CommonProgramsDirectory();

} // namespace kvz::setup
