#include "document/app_settings.h"

#include "document/install_value.h"
#include "platform/atomic_file.h"
#include "platform/driver_identity.h"

// Texts are UTF-8 already; SimpleIni only has to keep the bytes (as the registry stores do).
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cstdlib>
#include <filesystem>

namespace
{

constexpr const char *kLocalPathValue = "LOCPATH";
constexpr size_t kLocalPathBuffer = 261;
constexpr const char *kRecentSection = "Recent File List";
constexpr const char *kRecentKeyPrefix = "File";

std::string RecentKey(size_t index)
{
    return kRecentKeyPrefix + std::to_string(index + 1);
}

std::filesystem::path UserConfigFolder()
{
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg)
        return xdg;
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".config";
}

} // namespace

std::string SettingsFilePath()
{
    char local[kLocalPathBuffer];
    if (ReadInstallValue(kLocalPathValue, local, sizeof local) && local[0] != '\0')
        return (std::filesystem::path(local) / kSettingsFileName).string();
    return (UserConfigFolder() / kvz::ProductFolder() / kSettingsFileName).string();
}

std::vector<std::string> LoadRecentFiles(const std::string &settingsPath)
{
    std::vector<std::string> files;
    CSimpleIniA ini(false, false, false);
    ini.SetUnicode(true);
    if (ini.LoadFile(settingsPath.c_str()) < 0)
        return files;
    // The list ends at the first missing or empty entry, as the framework reads it.
    for (size_t i = 0; i < kRecentFileCount; ++i) {
        const char *file = ini.GetValue(kRecentSection, RecentKey(i).c_str(), nullptr);
        if (!file || !*file)
            break;
        files.emplace_back(file);
    }
    return files;
}

bool SaveRecentFiles(const std::string &settingsPath, const std::vector<std::string> &files)
{
    CSimpleIniA ini(false, false, false);
    ini.SetUnicode(true);
    ini.SetSpaces(false); // "File1=path", as the framework writes its settings
    // The file may hold other settings: they are kept. A missing file starts empty.
    SI_Error loaded = ini.LoadFile(settingsPath.c_str());
    if (loaded < 0 && loaded != SI_FILE)
        return false;
    ini.Delete(kRecentSection, nullptr);
    for (size_t i = 0; i < files.size() && i < kRecentFileCount; ++i) {
        // An INI line cannot hold a line break.
        if (files[i].find_first_of("\r\n") != std::string::npos)
            return false;
        ini.SetValue(kRecentSection, RecentKey(i).c_str(), files[i].c_str());
    }
    std::string text;
    if (ini.Save(text) < 0)
        return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(settingsPath).parent_path(), ec);
    return kvz::WriteFileAtomically(settingsPath, text);
}
