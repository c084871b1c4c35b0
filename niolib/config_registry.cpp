#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"

#include <cstring>
#include <string>
#include <thread>

namespace
{
constexpr const char *kConfigSubkey = "Config";
constexpr size_t kMaxKeyPath = 511;
constexpr size_t kDriverExeChars = 126;

// key + '\' + subkey, without doubling a separator the key already ends with.
std::string KeyPath(const char *keyPath, const char *subkey)
{
    std::string key = keyPath ? keyPath : "";
    if (subkey && *subkey) {
        if (!key.empty() && key.back() != '\\')
            key += '\\';
        key += subkey;
    }
    return key;
}
} // namespace

int ReadConfigValue(const char *keyPath, const char *subkey, const char *name, char *buffer, size_t size)
{
    std::string key = KeyPath(keyPath, subkey);
    if (key.size() > kMaxKeyPath || !name || !buffer || size == 0)
        return 0;
    // The machine hive is asked only when the key is missing for the current user.
    kvz::Hive hive = kvz::Hive::CurrentUser;
    if (!kvz::RegKeyExists(hive, key)) {
        hive = kvz::Hive::LocalMachine;
        if (!kvz::RegKeyExists(hive, key))
            return 0;
    }
    auto value = kvz::RegReadString(hive, key, name);
    if (!value || value->size() + 1 > size)
        return 0;
    std::memcpy(buffer, value->c_str(), value->size() + 1);
    return 1;
}

int WriteConfigValue(const char *keyPath, const char *subkey, const char *name, const char *value)
{
    std::string key = KeyPath(keyPath, subkey);
    if (key.size() > kMaxKeyPath || !name || !value)
        return 0;
    if (!kvz::RegWriteString(kvz::Hive::CurrentUser, key, name, value))
        return 0;
    kvz::RegWriteString(kvz::Hive::LocalMachine, key, name, value);
    return 1;
}

int GetConfigFilePath(char *buffer, size_t size)
{
    return ReadConfigValue(kvz::ProductKeyPath().c_str(), kConfigSubkey, "ConfigFile", buffer, size);
}

int SetConfigFilePath(const char *path)
{
    return WriteConfigValue(kvz::ProductKeyPath().c_str(), kConfigSubkey, "ConfigFile", path);
}

int GetDriverExePath(char *buffer, size_t size)
{
    return ReadConfigValue(kvz::ProductKeyPath().c_str(), kConfigSubkey, "DriverExe", buffer, size);
}

int LaunchDriver()
{
    char exe[kDriverExeChars];
    if (!GetDriverExePath(exe, sizeof exe))
        return 0;
    kvz::SpawnResult started = kvz::SpawnProcess(exe, {}, kvz::DirectoryOf(exe));
    if (started.pid > 0) {
        // The driver outlives nothing of ours; reap it when it ends so it never lingers as a zombie.
        pid_t pid = started.pid;
        std::thread([pid] { kvz::WaitProcess(pid); }).detach();
    }
    nio::Sleep(1000);
    return 1;
}
