#include "setup/install_names.h"

#include "platform/paths.h"

namespace kvz::setup
{
namespace
{

std::string Acronym()
{
    return kDriverIdentity.acronym;
}

std::string Title()
{
    return kDriverIdentity.productTitle;
}

} // namespace

std::string ProductKey()
{
    return ProductKeyPath();
}

std::string NormalizeFolder(std::string_view folder)
{
    std::string out(folder);
    for (char &c : out) {
        if (c == '\\')
            c = '/';
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool FitsPath(const std::string &path)
{
    return path.size() < kMaxPath;
}

std::string InfFilePath(std::string_view mediaPath)
{
    std::string path(mediaPath);
    for (char &c : path) {
        if (c == '\\')
            c = '/';
    }
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + Acronym() + ".inf";
}

std::string DefaultConfigPath(const std::string &installDir)
{
    return JoinPath(installDir, "DEFAULT." + Acronym());
}

std::string PollEnginePath(const std::string &installDir)
{
    return JoinPath(installDir, Acronym() + "SPOLL.EXE");
}

std::string ConfiguratorPath(const std::string &installDir)
{
    return JoinPath(installDir, Acronym() + "didw.exe");
}

std::string ConfiguratorHelpPath(const std::string &installDir)
{
    return JoinPath(installDir, Acronym() + "DIDW.chm");
}

std::string DriverRuntimePath(const std::string &installDir)
{
    return JoinPath(installDir, Acronym() + "stext.drv");
}

std::string OpcServerPath(const std::string &installDir)
{
    return JoinPath(installDir, Acronym() + "OPC.DLL");
}

std::string StartMenuFolder(const std::string &programs, const std::string &folderName)
{
    return JoinPath(programs, folderName);
}

std::string ConfiguratorLinkPath(const std::string &programs, const std::string &folderName)
{
    return JoinPath(StartMenuFolder(programs, folderName), Title() + " Configurator.lnk");
}

std::string ConfiguratorHelpLinkPath(const std::string &programs, const std::string &folderName)
{
    return JoinPath(StartMenuFolder(programs, folderName), Title() + " Configurator Help.lnk");
}

std::string ConfiguratorDescription()
{
    return Title() + " Configurator";
}

std::string ConfiguratorHelpDescription()
{
    return Title() + " Configurator Help";
}

std::string ConfigCopyPath(const std::string &configDir, const std::string &configName)
{
    return JoinPath(configDir, configName + "." + Acronym());
}

} // namespace kvz::setup
