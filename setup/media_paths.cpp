#include "setup/media_paths.h"

#include "platform/paths.h"

#include <filesystem>

namespace kvz::setup
{
namespace
{

// The entry of `dir` named `name`, exactly or else ignoring case (the first in name order wins).
std::string MatchInFolder(const std::string &dir, const std::string &name)
{
    std::string exact = JoinPath(dir, name);
    if (PathExists(exact))
        return exact;
    std::error_code ec;
    std::string best;
    for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
        std::string candidate = entry.path().filename().string();
        if (EqualsIgnoreCase(candidate, name) && (best.empty() || candidate < best))
            best = candidate;
    }
    return best.empty() ? std::string() : JoinPath(dir, best);
}

} // namespace

std::string FindOnMedia(const std::string &root, const std::string &relative)
{
    std::string exact = JoinPath(root, relative);
    if (PathExists(exact))
        return exact;
    std::string current = root;
    size_t pos = 0;
    while (pos <= relative.size()) {
        size_t end = relative.find('/', pos);
        if (end == std::string::npos)
            end = relative.size();
        std::string part = relative.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty())
            continue;
        current = MatchInFolder(current, part);
        if (current.empty())
            return exact;
    }
    return current;
}

} // namespace kvz::setup
