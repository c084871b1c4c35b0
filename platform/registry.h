#pragma once
// The two registry hives of the configurator, kept as INI stores on disk. Key paths are kept as
// written ("Software\Quillmark\Brennic\Config"); key and value names compare without regard to case,
// as on the system the values come from.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kvz
{

enum class Hive { CurrentUser, LocalMachine };

// Root folder of a hive: KVZ_REGISTRY_USER / KVZ_REGISTRY_MACHINE when set, else the XDG defaults.
std::filesystem::path HiveRoot(Hive hive);

std::optional<std::string> RegReadString(Hive hive, std::string_view key, std::string_view name);
std::optional<uint32_t> RegReadDword(Hive hive, std::string_view key, std::string_view name);

// Writes are atomic (temp file + rename) and serialised between processes by a lock file.
bool RegWriteString(Hive hive, std::string_view key, std::string_view name, std::string_view value);
bool RegWriteDword(Hive hive, std::string_view key, std::string_view name, uint32_t value);
bool RegDeleteValue(Hive hive, std::string_view key, std::string_view name);

// True when the hive holds the key.
bool RegKeyExists(Hive hive, std::string_view key);

// Current user first, then local machine.
std::optional<std::string> RegReadStringAnyHive(std::string_view key, std::string_view name);

} // namespace kvz
