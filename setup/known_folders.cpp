#include "setup/known_folders.h"

#include "platform/paths.h"

#include <cstdlib>

namespace kvz::setup
{
namespace
{

constexpr const char *kDefaultSystemDir = "/usr/local/lib/Quillmark/System32";
constexpr const char *kDefaultCommonPrograms = "/usr/local/share/applications";

std::string EnvOr(const char *var, const std::string &fallback)
{
    const char *v = std::getenv(var);
    return (v && *v) ? std::string(v) : fallback;
}

// A trailing separator would double in every path built from the folder.
std::string WithoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    return path;
}

} // namespace

std::string SystemDirectory()
{
    return WithoutTrailingSeparator(EnvOr("KVZ_SYSTEM_DIR", kDefaultSystemDir));
}

std::string WindowsDirectory()
{
    const char *v = std::getenv("KVZ_WINDOWS_DIR");
    if (v && *v)
        return WithoutTrailingSeparator(v);
    std::string parent = DirectoryOf(SystemDirectory());
    return parent.empty() ? std::string("/") : parent;
}

std::string CommonProgramsDirectory()
{
    return WithoutTrailingSeparator(EnvOr("KVZ_COMMON_PROGRAMS", kDefaultCommonPrograms));
}

} // namespace kvz::setup
