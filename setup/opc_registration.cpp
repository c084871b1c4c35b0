#include "setup/opc_registration.h"

#include "platform/paths.h"
#include "platform/process.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz::setup
{

std::optional<std::string> FindProgramOnPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        std::string candidate = JoinPath(dir.empty() ? std::string_view(".") : dir, name);
        struct stat st {
        };
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        dirs.remove_prefix(colon + 1);
    }
}

std::vector<std::string> RegistrationArguments(const std::string &dllPath)
{
    return {"/s", dllPath};
}

bool StartOpcServerRegistration(const std::string &dllPath, const std::string &workingDir)
{
    auto program = FindProgramOnPath(kRegistrationProgram);
    if (!program)
        return false;
    return SpawnProcess(*program, RegistrationArguments(dllPath), workingDir).pid > 0;
}

} // namespace kvz::setup
