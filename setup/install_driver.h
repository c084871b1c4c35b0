#pragma once
// The installation sequence behind the InstallDriver export.

namespace kvz::setup
{

// Same arguments and result as the export: 1 when the installation ran, 0 when it stopped on an
// error (after its message) or `run` was 0.
int InstallDriver(int run, int unused, int scadaNode, const char *mediaPath, const char *installDir,
                  const char *configDir, const char *configName, const char *folderName);

} // namespace kvz::setup
