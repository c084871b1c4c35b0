#pragma once
// The headless monitor's driver and registry commands (kvzcfg "driver ..." and "registry ..."):
// each writes its data to `out` and gives the program's exit code. Diagnostics go through nio_log
// and the installed front end (stderr in a headless program).
#include <ostream>
#include <string>

namespace nio
{

// Attaches as the configurator does (launching "DriverExe" when no driver runs) and prints
// "key: value" lines and one "channel N: TX=... RX=..." line per channel. 0 when the image is mapped.
int DriverStatusCommand(std::ostream &out);

enum class DriverVerb { Start, Stop, Reload };
// nio_StartStop or ReloadConfiguration (with `config`, or the registered "ConfigFile" when empty).
// 0 when the driver reached the state, else 1.
int DriverControlCommand(DriverVerb verb, const std::string &config);

// Drains the message ring: "code<TAB>text" per message. Always 0.
int DriverMessagesCommand(bool all, std::ostream &out);

// A registry value: a string as it is, a 32-bit number in decimal. 1 when absent.
int RegistryGetCommand(bool machine, const std::string &key, const std::string &name, std::ostream &out);
// Writes a string value. 1 when the write failed.
int RegistrySetCommand(bool machine, const std::string &key, const std::string &name,
                       const std::string &value);

} // namespace nio
