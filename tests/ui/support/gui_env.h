#pragma once
// What a GUI test runs in: registry hives, a shared-memory namespace and an XDG config folder of its
// own, the driver link reset, and on request the real stand-in poll engine as "DriverExe". Anything it
// started or created is gone when it is destroyed.
#include "temp_dir.h"

#include <functional>
#include <string>
#include <vector>

class GuiEnv
{
public:
    GuiEnv();
    ~GuiEnv();
    GuiEnv(const GuiEnv &) = delete;
    GuiEnv &operator=(const GuiEnv &) = delete;

    const std::string &Namespace() const { return ns_; }
    std::string Path(const std::string &name) const { return dir_ / name; }
    // The folders of the two registry hives and of the user's configuration.
    std::string UserHive() const { return dir_ / "user"; }
    std::string MachineHive() const { return dir_ / "machine"; }
    std::string ConfigHome() const { return dir_ / "xdg"; }

    // The built programs (KVZdidw, KVZSPOLL, kvzcfg).
    static std::string Program(const std::string &name);
    // Registers the real KVZSPOLL as "DriverExe" (ticking every 20 ms).
    void RegisterSpoll();
    // Converts `csv` (a path below the source tree, e.g. "demo/DEMO.csv") into the configuration file
    // `name` of this environment with kvzcfg; gives its path (empty on failure).
    std::string ConvertCsv(const std::string &csv, const std::string &name);
    // Registers `path` as "ConfigFile".
    void RegisterConfigFile(const std::string &path);
    // Stops a KVZSPOLL that the control block names.
    void StopSpoll();

    // Polls `done` for up to `ms` of real time while Qt's events run.
    static bool WaitFor(const std::function<bool()> &done, int ms = 5000);

    // Every file below the two hives and the config home, with its content, for "nothing was written".
    std::vector<std::pair<std::string, std::string>> Snapshot() const;

private:
    kvz::test::TempDir dir_;
    std::string ns_;
};
