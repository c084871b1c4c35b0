#include "setup/directory_ids.h"

#include "setup/known_folders.h"

#include <cerrno>

namespace kvz::setup
{

DirectoryIds::DirectoryIds()
{
    dirs_[kDirIdWindows] = WindowsDirectory();
    dirs_[kDirIdSystem] = SystemDirectory();
}

int DirectoryIds::Set(uint32_t id, const std::string &path)
{
    if (id < kFirstUserDirId || path.empty())
        return EINVAL;
    if (path.size() >= kMaxPath)
        return ENAMETOOLONG;
    dirs_[id] = path;
    return 0;
}

std::optional<std::string> DirectoryIds::Find(uint32_t id) const
{
    auto it = dirs_.find(id);
    if (it == dirs_.end())
        return std::nullopt;
    return it->second;
}

} // namespace kvz::setup
