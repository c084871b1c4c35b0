#include "platform/registry.h"

#include "platform/access_policy.h"
#include "platform/atomic_file.h"
#include "platform/driver_identity.h"

// Texts are UTF-8 already; SimpleIni only has to keep the bytes.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz
{
namespace
{

// Values are stored with a type prefix so that a string never reads back as a number.
constexpr std::string_view kStringPrefix = "sz:";
constexpr std::string_view kDwordPrefix = "dword:";
constexpr const char *kStoreName = "registry.ini";

std::filesystem::path EnvOr(const char *var, const std::filesystem::path &fallback)
{
    const char *v = std::getenv(var);
    return (v && *v) ? std::filesystem::path(v) : fallback;
}

// "Software\\Quillmark\\Brennic\\" and "Software\\Quillmark\\Brennic" name the same key, as they do
// for the system the paths come from.
std::string KeyOf(std::string_view key)
{
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    return std::string(key);
}

std::filesystem::path StorePath(Hive hive)
{
    return HiveRoot(hive) / kStoreName;
}

// Holds an exclusive (or shared) flock on the hive's lock file for its lifetime. A reader never
// creates the hive: without a lock file there is nothing to wait for, since a store is only ever
// replaced whole.
class HiveLock
{
public:
    HiveLock(Hive hive, bool exclusive)
    {
        std::filesystem::path path = HiveRoot(hive) / "registry.lock";
        if (exclusive) {
            std::error_code ec;
            std::filesystem::create_directories(HiveRoot(hive), ec);
            fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        } else {
            fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (fd_ >= 0)
            ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
    }
    ~HiveLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HiveLock(const HiveLock &) = delete;
    HiveLock &operator=(const HiveLock &) = delete;

    // The lock file takes the hive's access policy as the store does, when this account made it.
    void Restrict(const AccessPolicy &policy) const
    {
        struct stat st {
        };
        if (!policy.restricted || fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_uid != ::geteuid())
            return;
        if ((st.st_mode & 07777) != policy.mode() || (policy.group && st.st_gid != *policy.group))
            ApplyAccessPolicy(fd_, policy);
    }

private:
    int fd_ = -1;
};

bool Load(Hive hive, CSimpleIniA &ini)
{
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    SI_Error rc = ini.LoadFile(StorePath(hive).c_str());
    return rc >= 0 || rc == SI_FILE; // a missing store is an empty hive
}

std::optional<std::string> ReadRaw(Hive hive, std::string_view key, std::string_view name)
{
    HiveLock lock(hive, false);
    CSimpleIniA ini(false, false, false);
    if (!Load(hive, ini))
        return std::nullopt;
    const char *v = ini.GetValue(KeyOf(key).c_str(), std::string(name).c_str(), nullptr);
    if (!v)
        return std::nullopt;
    return std::string(v);
}

// A stored string value's text; nothing for a missing value or one of another type.
std::optional<std::string> StringOf(const char *raw)
{
    if (!raw || !std::string_view(raw).starts_with(kStringPrefix))
        return std::nullopt;
    return std::string(raw + kStringPrefix.size());
}

bool Modify(Hive hive, std::string_view key, std::string_view name, const std::string *raw)
{
    HiveLock lock(hive, true);
    CSimpleIniA ini(false, false, false);
    if (!Load(hive, ini))
        return false;
    if (raw) {
        if (ini.SetValue(KeyOf(key).c_str(), std::string(name).c_str(), raw->c_str()) < 0)
            return false;
    } else {
        ini.Delete(KeyOf(key).c_str(), std::string(name).c_str(), true);
    }
    std::string text;
    if (ini.Save(text) < 0)
        return false;
    if (hive != Hive::LocalMachine)
        return WriteFileAtomically(StorePath(hive), text);
    // The machine hive's files belong to the installation's access group, as its value says now.
    AccessPolicy policy = AccessPolicyForGroup(
        StringOf(ini.GetValue(KeyOf(ConfigKeyPath()).c_str(), kAccessGroupValue, nullptr)));
    lock.Restrict(policy);
    return WriteFileAtomically(StorePath(hive), text, nullptr, &policy);
}

} // namespace

std::filesystem::path HiveRoot(Hive hive)
{
    if (hive == Hive::LocalMachine)
        return EnvOr("KVZ_REGISTRY_MACHINE", std::filesystem::path("/etc") / ProductFolder());
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path config;
    if (xdg && *xdg)
        config = xdg;
    else
        config = EnvOr("HOME", "/tmp") / ".config";
    return EnvOr("KVZ_REGISTRY_USER", config / ProductFolder());
}

std::optional<std::string> RegReadString(Hive hive, std::string_view key, std::string_view name)
{
    auto raw = ReadRaw(hive, key, name);
    return StringOf(raw ? raw->c_str() : nullptr);
}

std::optional<uint32_t> RegReadDword(Hive hive, std::string_view key, std::string_view name)
{
    auto raw = ReadRaw(hive, key, name);
    if (!raw || !raw->starts_with(kDwordPrefix) || raw->size() == kDwordPrefix.size())
        return std::nullopt;
    char *end = nullptr;
    unsigned long v = std::strtoul(raw->c_str() + kDwordPrefix.size(), &end, 16);
    if (*end != '\0' || v > 0xFFFFFFFFul)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

bool RegWriteString(Hive hive, std::string_view key, std::string_view name, std::string_view value)
{
    // An INI line cannot hold a line break; such a value is refused rather than cut.
    if (value.find_first_of("\r\n") != std::string_view::npos)
        return false;
    std::string raw(kStringPrefix);
    raw += value;
    return Modify(hive, key, name, &raw);
}

bool RegWriteDword(Hive hive, std::string_view key, std::string_view name, uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", value);
    std::string raw(kDwordPrefix);
    raw += buf;
    return Modify(hive, key, name, &raw);
}

bool RegDeleteValue(Hive hive, std::string_view key, std::string_view name)
{
    return Modify(hive, key, name, nullptr);
}

bool RegKeyExists(Hive hive, std::string_view key)
{
    HiveLock lock(hive, false);
    CSimpleIniA ini(false, false, false);
    if (!Load(hive, ini))
        return false;
    return ini.GetSectionSize(KeyOf(key).c_str()) >= 0;
}

std::optional<std::string> RegReadStringAnyHive(std::string_view key, std::string_view name)
{
    if (auto v = RegReadString(Hive::CurrentUser, key, name))
        return v;
    return RegReadString(Hive::LocalMachine, key, name);
}

} // namespace kvz
