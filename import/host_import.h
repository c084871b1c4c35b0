#pragma once
// The host database import: the SCADA host's DBF unit table becomes devices (each with a default poll
// record) on the current channel, and its variable table becomes learned addresses, so that every
// variable the host uses is polled. The tree changes in memory only; saving is left to the user.
#include <string>
#include <vector>

namespace hostdb
{

// The records meant for this driver that an import could not take, one line each ("record 4: ..."):
// units of this driver that gave no device, records whose values cannot be read, and variables of
// this configuration's devices whose address gave no poll record. Units of other drivers, standby
// units, units already present and variables of other units are no loss and are not listed.
struct ImportReport {
    std::vector<std::string> notTaken;
};

// A path containing "UNITS" or "units" is a units table, anything else a variables table.
ImportReport Import(const std::string &path);
// Devices from the units table at `path`.
ImportReport ImportUnits(const std::string &path);
// Learned addresses from the variables table at `path`.
ImportReport ImportVariables(const std::string &path);

// Where the import's messages and log lines come from, for front ends that describe them.
inline constexpr const char *kFailedToOpen = "Failed to open %s";
inline constexpr const char *kImportUnitsCaption = "Import Units";
inline constexpr const char *kImportVariablesCaption = "Import Variables";
inline constexpr const char *kSuccessLog = "Success %d records\r\n";
inline constexpr unsigned short kLogInformation = 23;

} // namespace hostdb
