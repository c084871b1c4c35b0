#include "driver/port_folder.h"

#include "platform/access_policy.h"
#include "platform/shm.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace spoll
{
namespace
{

constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kGroupFolderMode = 0750;

std::string ModeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string Absolute(const char *value)
{
    return value && value[0] == '/' ? std::string(value) : std::string();
}

// Makes a missing folder with `mode` whatever the umask, given to `group` when one is named.
bool MakeFolder(const std::string &path, mode_t mode, const std::optional<gid_t> &group, std::string &why)
{
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        why = "the folder " + path + " cannot be made: " + std::strerror(errno);
        return false;
    }
    if (group && ::chown(path.c_str(), static_cast<uid_t>(-1), *group) != 0) {
        why = "the folder " + path + " cannot be given to its group: " + std::strerror(errno);
        return false;
    }
    if (::chmod(path.c_str(), mode) != 0) {
        why = "the folder " + path + " cannot be made private: " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

std::string AccountText(uid_t uid)
{
    long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 1024);
    passwd entry{};
    passwd *found = nullptr;
    std::string number = "uid " + std::to_string(uid);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return std::string(found->pw_name) + " (" + number + ")";
    return number;
}

PortFolder RequestPortFolder()
{
    PortFolder folder;
    folder.installed = kvz::InstalledAccessPolicy().restricted;
    if (std::string chosen = Absolute(std::getenv("KVZ_RUNTIME_DIR")); !chosen.empty())
        folder.path = chosen;
    else if (folder.installed)
        folder.path = kInstalledPortFolder;
    else if (std::string own = Absolute(std::getenv("XDG_RUNTIME_DIR")); !own.empty())
        folder.path = own;
    else
        folder.path = "/tmp/kvz-" + std::to_string(::geteuid());
    while (folder.path.size() > 1 && folder.path.back() == '/')
        folder.path.pop_back();
    return folder;
}

std::string RequestPortPath()
{
    std::string ns = kvz::SanitisedNamespace();
    return RequestPortFolder().path + "/KVZSPOLL-" + (ns.empty() ? "default" : ns) + ".sock";
}

std::string ClaimPortFolder(const PortFolder &folder)
{
    const std::string &path = folder.path;
    struct stat st {
    };
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return "the folder " + path + " cannot be examined: " + std::strerror(errno);
        std::string why;
        kvz::AccessPolicy policy = kvz::InstalledAccessPolicy();
        if (!MakeFolder(path, folder.installed ? kGroupFolderMode : kPrivateFolderMode,
                        folder.installed ? policy.group : std::nullopt, why))
            return why;
        if (::lstat(path.c_str(), &st) != 0)
            return "the folder " + path + " cannot be examined: " + std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return path + " is not a folder";
    if (st.st_uid != ::geteuid())
        return "the folder " + path + " belongs to " + AccountText(st.st_uid) + ", not to this account, " +
               AccountText(::geteuid());
    if (folder.installed) {
        // The group may look in; only the engine's account may put anything there.
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
            return "the folder " + path + " is open to other accounts' writes (mode " + ModeText(st.st_mode) +
                   ")";
        return {};
    }
    // Outside an installation the port is this account's alone; its own folder is made so.
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), kPrivateFolderMode) != 0)
        return "the folder " + path + " is open to other accounts (mode " + ModeText(st.st_mode) +
               ") and cannot be made private: " + std::strerror(errno);
    return {};
}

ExpectedEngine ExpectedEngineAccount(const PortFolder &folder)
{
    ExpectedEngine expected;
    if (!folder.installed) {
        expected.uid = ::geteuid();
        return expected;
    }
    // The installation's engine account is the one its runtime folder was made for.
    struct stat st {
    };
    if (::lstat(folder.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        expected.problem = folder.path + " is not a folder";
    else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        expected.problem = "the folder " + folder.path + " is open to other accounts' writes (mode " +
                           ModeText(st.st_mode) + ")";
    else
        expected.uid = st.st_uid;
    return expected;
}

} // namespace spoll
