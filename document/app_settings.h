#pragma once
// The configurator's own settings file: the recent-file list (2 entries). It lives in the host's local
// folder ("LOCPATH" of the installed driver) and otherwise in the user's configuration folder.
#include <string>
#include <vector>

inline constexpr size_t kRecentFileCount = 2;
inline constexpr const char *kSettingsFileName = "KVZdidw.ini";

// "LOCPATH"/KVZdidw.ini when the driver is installed and the value is set; otherwise
// $XDG_CONFIG_HOME/Quillmark/Brennic/KVZdidw.ini (~/.config when XDG_CONFIG_HOME is unset).
std::string SettingsFilePath();

// The recent-file list, most recent first, at most kRecentFileCount entries; empty when the file is
// missing or unreadable.
std::vector<std::string> LoadRecentFiles(const std::string &settingsPath);
// Writes the list (atomically); false when the file could not be written.
bool SaveRecentFiles(const std::string &settingsPath, const std::vector<std::string> &files);
