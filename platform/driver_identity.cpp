#include "platform/driver_identity.h"

namespace kvz
{

std::string ProductKeyPath()
{
    return std::string("Software\\") + kDriverIdentity.registryPath;
}

std::string ConfigKeyPath()
{
    return ProductKeyPath() + "Config";
}

std::string ProductFolder()
{
    std::string folder = kDriverIdentity.registryPath;
    for (char &c : folder) {
        if (c == '\\')
            c = '/';
    }
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string FrameTitle(const std::string &documentPath)
{
    return std::string(kDriverIdentity.productTitle) + " - " + documentPath;
}

std::string AboutVersionLine()
{
    return std::string(kDriverIdentity.productTitle) + " (" + kDriverIdentity.acronym + ") V " +
           kDriverIdentity.version;
}

std::string ProgramVersionLine(const std::string &program)
{
    return program + " (" + kDriverIdentity.productTitle + ") " + kDriverIdentity.version;
}

} // namespace kvz
