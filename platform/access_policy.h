#pragma once
// Who may reach the running driver: its shared-memory objects, its request port and the machine
// hive's files. Outside an installation every account may (0666, as the null access list intends).
// The installed product names a group in the machine hive
// ("AccessGroup" under the Config key, written by the package); then every such object is made for
// that group alone (0660), and an object under one of the driver's names that is open to others is
// not the driver's and is never used.
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace kvz
{

inline constexpr const char *kAccessGroupValue = "AccessGroup";
inline constexpr mode_t kEveryAccountMode = 0666;
inline constexpr mode_t kGroupOnlyMode = 0660;

struct AccessPolicy {
    bool restricted = false;
    // The group's id; none when the named group does not exist on this machine (objects are then
    // the creator's own group's, still closed to others).
    std::optional<gid_t> group;

    mode_t mode() const { return restricted ? kGroupOnlyMode : kEveryAccountMode; }
};

// The policy for a group name as the machine hive holds it: no name (or an empty one) restricts nothing.
AccessPolicy AccessPolicyForGroup(const std::optional<std::string> &groupName);

// The policy of this machine's installation, read from the machine hive each time (an account that
// may not read the hive is no member: it learns nothing, and the group's objects stay closed to it).
AccessPolicy InstalledAccessPolicy();

// Gives an object this process has just made the policy's group and mode; the creator's umask
// neither narrows an open object nor widens a restricted one. False (errno set) when the group
// cannot be given: the object would be out of its members' reach.
bool ApplyAccessPolicy(int fd, const AccessPolicy &policy);
// The same for an object known by its path (a socket file).
bool ApplyAccessPolicy(const std::string &path, const AccessPolicy &policy);

// True when an existing object may be one of the driver's under the policy: always without a
// restriction; with one, only when it is closed to others and belongs to the group.
bool MadeUnderPolicy(const struct stat &st, const AccessPolicy &policy);

} // namespace kvz
