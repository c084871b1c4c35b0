#include "platform/access_policy.h"

#include "platform/driver_identity.h"
#include "platform/registry.h"

#include <cerrno>
#include <grp.h>
#include <unistd.h>
#include <vector>

namespace kvz
{
namespace
{

std::optional<gid_t> GroupId(const std::string &name)
{
    long hint = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 1024);
    for (;;) {
        group entry{};
        group *found = nullptr;
        int rc = ::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc != 0 || !found)
            return std::nullopt;
        return found->gr_gid;
    }
}

} // namespace

AccessPolicy AccessPolicyForGroup(const std::optional<std::string> &groupName)
{
    AccessPolicy policy;
    if (!groupName || groupName->empty())
        return policy;
    policy.restricted = true;
    policy.group = GroupId(*groupName);
    return policy;
}

AccessPolicy InstalledAccessPolicy()
{
    return AccessPolicyForGroup(RegReadString(Hive::LocalMachine, ConfigKeyPath(), kAccessGroupValue));
}

bool ApplyAccessPolicy(int fd, const AccessPolicy &policy)
{
    if (policy.group && ::fchown(fd, static_cast<uid_t>(-1), *policy.group) != 0)
        return false;
    return ::fchmod(fd, policy.mode()) == 0;
}

bool ApplyAccessPolicy(const std::string &path, const AccessPolicy &policy)
{
    if (policy.group && ::chown(path.c_str(), static_cast<uid_t>(-1), *policy.group) != 0)
        return false;
    return ::chmod(path.c_str(), policy.mode()) == 0;
}

bool MadeUnderPolicy(const struct stat &st, const AccessPolicy &policy)
{
    if (!policy.restricted)
        return true;
    if ((st.st_mode & S_IRWXO) != 0)
        return false;
    return !policy.group || st.st_gid == *policy.group;
}

} // namespace kvz
