#include "setup/shared_dlls.h"

#include "platform/registry.h"

#include <cstdint>
#include <limits>

namespace kvz::setup
{

bool AddSharedDllReference(const std::string &path)
{
    if (auto count = RegReadDword(Hive::LocalMachine, kSharedDllsKey, path)) {
        if (*count == std::numeric_limits<uint32_t>::max())
            return false;
        return RegWriteDword(Hive::LocalMachine, kSharedDllsKey, path, *count + 1);
    }
    if (RegReadString(Hive::LocalMachine, kSharedDllsKey, path))
        return false;
    return RegWriteDword(Hive::LocalMachine, kSharedDllsKey, path, 1);
}

} // namespace kvz::setup
