#pragma once
// kvzcfg driver status | start | stop | reload [CONFIG] | messages [--all] | read DEVICE:ADDRESS
//               | values DEVICE | port
// kvzcfg registry get [--machine] KEY NAME | set [--machine] KEY NAME VALUE
// The headless monitor of the running driver, and the registry values an engineer sets by hand.
#include <string>

namespace CLI
{
class App;
}

struct DriverCommandOptions {
    CLI::App *status = nullptr;
    CLI::App *start = nullptr;
    CLI::App *stop = nullptr;
    CLI::App *reload = nullptr;
    CLI::App *messages = nullptr;
    CLI::App *read = nullptr;
    CLI::App *values = nullptr;
    CLI::App *port = nullptr;
    CLI::App *get = nullptr;
    CLI::App *set = nullptr;
    std::string config; // reload: the file to load (empty: the registered "ConfigFile")
    bool all = false;   // messages
    std::string target; // read: DEVICE:ADDRESS; values: DEVICE
    bool machine = false;
    std::string key, name, value;
};

// Registers "driver" and "registry" with their subcommands on `app`.
void AddDriverCommands(CLI::App &app, DriverCommandOptions &options);

// The exit status of the parsed command, or -1 when none of these commands was given.
int RunDriverCommand(const DriverCommandOptions &options);
