#pragma once
// The constant record that names the driver throughout the product: the configurator's title bar and
// About box, the registry paths, the shared-memory names, the installer. Every deliverable takes the
// names from here.
#include <string>

namespace kvz
{

struct DriverIdentity {
    char acronym[10];
    char version[16];
    char productTitle[40];
    char registryPath[128];
};

inline constexpr DriverIdentity kDriverIdentity{"KVZ", "7.10.58.2", "Brennic Plant Link",
                                                "Quillmark\\Brennic\\"};

// "Software\Quillmark\Brennic\" (the product key) and "Software\Quillmark\Brennic\Config".
std::string ProductKeyPath();
std::string ConfigKeyPath();
// The registry path as a folder, "Quillmark/Brennic": where the user's and the machine's settings live.
std::string ProductFolder();

// The configurator's window title: the product title, " - " and the document's path.
std::string FrameTitle(const std::string &documentPath);
// "%s (%s) V %s" with the product title, the acronym and the version: the About box's version line.
std::string AboutVersionLine();
// "PROGRAM (product title) version": what every program prints for --version.
std::string ProgramVersionLine(const std::string &program);

} // namespace kvz
