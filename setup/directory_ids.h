#pragma once
// Directory ids as INF files use them: 10 (the folder above the system folder) and 11 (the system
// folder) are always known; the installer sets its own ids (from 65536 up) before it uses the file.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kvz::setup
{

constexpr uint32_t kDirIdWindows = 10;
constexpr uint32_t kDirIdSystem = 11;
constexpr uint32_t kFirstUserDirId = 0x8000;
// Paths are formatted into buffers of this many characters, terminating NUL included.
constexpr size_t kMaxPath = 260;

class DirectoryIds
{
public:
    // Knows 10 and 11 from the folders the system supplies.
    DirectoryIds();
    // Fails (EINVAL) for an id below the user range or an empty path, (ENAMETOOLONG) for a path that
    // does not fit kMaxPath; the table is then unchanged.
    int Set(uint32_t id, const std::string &path);
    std::optional<std::string> Find(uint32_t id) const;

private:
    std::map<uint32_t, std::string> dirs_;
};

} // namespace kvz::setup
