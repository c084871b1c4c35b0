#pragma once
// Where the engine's request port lives and whose it must be. An installation (the machine hive
// names an "AccessGroup") keeps it in the service's runtime folder /run/kvz, made by the service
// manager for the engine's account and readable by the group alone; elsewhere it lives in the
// account's own $XDG_RUNTIME_DIR or in /tmp/kvz-<uid>, made 0700. KVZ_RUNTIME_DIR names another
// folder (tests, a second installation). A folder that is not the engine's own is never used.
#include <optional>
#include <string>
#include <sys/types.h>

namespace spoll
{

inline constexpr const char *kInstalledPortFolder = "/run/kvz";

struct PortFolder {
    std::string path;
    bool installed = false; // the installation's folder: the engine runs as an account of its own
};

// The folder for this process's settings (machine hive, KVZ_RUNTIME_DIR, XDG_RUNTIME_DIR, uid).
PortFolder RequestPortFolder();

// The socket's path: the folder and "KVZSPOLL-<namespace>.sock" (namespace "default" when unset).
std::string RequestPortPath();

// The engine's side: makes the folder when it is missing (where this account may) and checks that
// it is this account's own and closed to others' writes. The reason when it is not, else empty.
std::string ClaimPortFolder(const PortFolder &folder);

// The client's side: the account the answering engine must run as (the installation's folder's
// owner, or this process's own account), or the reason why no account can be trusted.
struct ExpectedEngine {
    std::optional<uid_t> uid;
    std::string problem;
};
ExpectedEngine ExpectedEngineAccount(const PortFolder &folder);

// "name (uid N)", or "uid N" for an account without a name.
std::string AccountText(uid_t uid);

} // namespace spoll
