#include "platform/paths.h"

#include <cctype>
#include <climits>
#include <unistd.h>

namespace kvz
{

size_t LastSeparator(std::string_view path)
{
    return path.find_last_of("/\\");
}

std::string DirectoryOf(std::string_view path)
{
    size_t sep = LastSeparator(path);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep));
}

std::string FileNameOf(std::string_view path)
{
    size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtensionOf(std::string_view path)
{
    std::string name = FileNameOf(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string JoinPath(std::string_view dir, std::string_view name)
{
    if (dir.empty())
        return std::string(name);
    std::string out(dir);
    if (out.back() != '/' && out.back() != '\\')
        out += '/';
    out += name;
    return out;
}

bool PathExists(const std::string &path)
{
    return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string ExecutableDirectory()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    return DirectoryOf(std::string_view(buf, static_cast<size_t>(n)));
}

} // namespace kvz
