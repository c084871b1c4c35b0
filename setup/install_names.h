#pragma once
// The names the installer builds: the driver's identity and the paths made from it. Paths use '/'
// ('\' in a caller's path is read as '/'); each must fit a buffer of kMaxPath characters.
#include "platform/driver_identity.h"
#include "setup/directory_ids.h"

#include <optional>
#include <string>
#include <string_view>

namespace kvz::setup
{

// Directory ids the installer sets before it reads its INF file.
constexpr uint32_t kDirIdInstall = 65701;
constexpr uint32_t kDirIdDefaultConfig = 65702;
constexpr uint32_t kDirIdPollEngine = 65704;

// Sections of the INF file.
constexpr const char *kScadaNodeSection = "ScadaNode";
constexpr const char *kViewNodeSection = "ViewNode";
constexpr const char *kSystemSection = "NtSystem32";
constexpr const char *kProductSection = "ProductInstall";

// The product's machine key, "Software\Quillmark\Brennic\", and the value naming the Start-menu folder.
std::string ProductKey();
constexpr const char *kFolderNameValue = "FolderName";

// OPC system libraries whose shared counts the driver raises, in this order.
inline constexpr const char *kOpcSystemDlls[] = {"OPCDAAuto.dll", "OPCProxy.dll", "opccomn_ps.dll"};

// A caller's folder: '\' read as '/', trailing separators dropped (the root stays "/").
std::string NormalizeFolder(std::string_view folder);
bool FitsPath(const std::string &path);

// media path + separator when missing + "KVZ.inf".
std::string InfFilePath(std::string_view mediaPath);
std::string DefaultConfigPath(const std::string &installDir);    // <dir>/DEFAULT.KVZ
std::string PollEnginePath(const std::string &installDir);       // <dir>/KVZSPOLL.EXE
std::string ConfiguratorPath(const std::string &installDir);     // <dir>/KVZdidw.exe
std::string ConfiguratorHelpPath(const std::string &installDir); // <dir>/KVZDIDW.chm
std::string DriverRuntimePath(const std::string &installDir);    // <dir>/KVZstext.drv
std::string OpcServerPath(const std::string &installDir);        // <dir>/KVZOPC.DLL
std::string StartMenuFolder(const std::string &programs, const std::string &folderName);
std::string ConfiguratorLinkPath(const std::string &programs, const std::string &folderName);
std::string ConfiguratorHelpLinkPath(const std::string &programs, const std::string &folderName);
std::string ConfiguratorDescription();     // "Brennic Plant Link Configurator"
std::string ConfiguratorHelpDescription(); // "Brennic Plant Link Configurator Help"
std::string ConfigCopyPath(const std::string &configDir, const std::string &configName); // <dir>/<name>.KVZ

} // namespace kvz::setup
