#include "document/install_value.h"

#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"

#include <cstring>

namespace
{
constexpr size_t kDriverExeBuffer = 256;
} // namespace

int ReadInstallValue(const char *name, char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return 0;
    buffer[0] = '\0';
    char driverExe[kDriverExeBuffer] = {};
    if (!GetDriverExePath(driverExe, sizeof driverExe))
        return 0;
    auto value = kvz::RegReadString(kvz::Hive::LocalMachine, kvz::ProductKeyPath(), name);
    if (!value || value->size() + 1 > size)
        return 0;
    std::memcpy(buffer, value->c_str(), value->size() + 1);
    return 1;
}
