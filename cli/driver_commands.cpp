#include "cli/driver_commands.h"

#include "cli/cli_ui.h"
#include "driver/request_port.h"
#include "niolib/driver_monitor.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace
{

// nio_log's error boxes become lines on stderr while the command runs.
template <typename Command> int WithCliUi(Command command)
{
    CliUi ui(kvz::MsgResult::No);
    kvz::IUiServices *previous = kvz::SetUi(&ui);
    int status = command();
    std::cout.flush();
    kvz::SetUi(previous);
    return status;
}

void AddRegistryArguments(CLI::App *command, DriverCommandOptions &options)
{
    command->add_flag("--machine", options.machine, "the local machine's hive (default: the current user's)");
    command->add_option("KEY", options.key, "key path as written, e.g. Software\\Quillmark\\Brennic\\Config")
        ->required();
    command->add_option("NAME", options.name, "value name, e.g. ConfigFile")->required();
}

// The poll engine's answer: "0" or "1" on the first line, then the lines to print (data on stdout,
// an error on stderr).
int AskPollEngine(const std::string &request)
{
    spoll::PortAnswer answer = spoll::AskRequestPort(request);
    if (answer.outcome == spoll::PortAnswer::Outcome::Refused) {
        std::cerr << answer.text << "\n";
        return 1;
    }
    size_t eol = answer.text.find('\n');
    if (answer.outcome != spoll::PortAnswer::Outcome::Answered || eol == std::string::npos) {
        std::cerr << "no poll engine answers at " << spoll::RequestPortPath() << "\n";
        return 1;
    }
    bool done = answer.text.compare(0, eol, "0") == 0;
    (done ? std::cout : std::cerr) << answer.text.substr(eol + 1);
    return done ? 0 : 1;
}

} // namespace

void AddDriverCommands(CLI::App &app, DriverCommandOptions &options)
{
    CLI::App *driver = app.add_subcommand("driver", "Monitor and command the running driver");
    driver->require_subcommand(1, 1);
    options.status =
        driver->add_subcommand("status", "Attach as the configurator does and show the driver's state");
    options.start = driver->add_subcommand("start", "Command the driver to run");
    options.stop = driver->add_subcommand("stop", "Command the driver to stop");
    options.reload =
        driver->add_subcommand("reload", "Stop the driver and start it on CONFIG (or \"ConfigFile\")");
    options.reload->add_option("CONFIG", options.config, "configuration file to load");
    options.messages =
        driver->add_subcommand("messages", "Print the driver's messages: code, a tab, the text");
    options.messages->add_flag("--all", options.all, "every message the ring still holds");
    options.read = driver->add_subcommand(
        "read", "Print the polled value of DEVICE:ADDRESS with its status and age (an address no poll "
                "record covers is offered to the configurator to learn)");
    options.read->add_option("TARGET", options.target, "e.g. PLC1:MW20 or PLC1:DB10,DBW4")->required();
    options.values = driver->add_subcommand(
        "values", "Print every poll record of DEVICE: number, address, bytes, status, age, data");
    options.values->add_option("DEVICE", options.target, "device name")->required();
    options.port = driver->add_subcommand("port", "Print the path of the poll engine's request port");

    CLI::App *registry = app.add_subcommand("registry", "Read or write a registry value");
    registry->require_subcommand(1, 1);
    options.get = registry->add_subcommand("get", "Print a value (a number in decimal); exit 1 when absent");
    AddRegistryArguments(options.get, options);
    options.set = registry->add_subcommand("set", "Write a string value");
    AddRegistryArguments(options.set, options);
    options.set->add_option("VALUE", options.value, "the text to store")->required();
}

int RunDriverCommand(const DriverCommandOptions &o)
{
    if (o.status->parsed())
        return WithCliUi([] { return nio::DriverStatusCommand(std::cout); });
    if (o.start->parsed())
        return WithCliUi([] { return nio::DriverControlCommand(nio::DriverVerb::Start, {}); });
    if (o.stop->parsed())
        return WithCliUi([] { return nio::DriverControlCommand(nio::DriverVerb::Stop, {}); });
    if (o.reload->parsed())
        return WithCliUi([&] { return nio::DriverControlCommand(nio::DriverVerb::Reload, o.config); });
    if (o.messages->parsed())
        return WithCliUi([&] { return nio::DriverMessagesCommand(o.all, std::cout); });
    if (o.read->parsed())
        return AskPollEngine("read " + o.target);
    if (o.values->parsed())
        return AskPollEngine("values " + o.target);
    if (o.port->parsed()) {
        std::cout << spoll::RequestPortPath() << "\n";
        return 0;
    }
    if (o.get->parsed())
        return nio::RegistryGetCommand(o.machine, o.key, o.name, std::cout);
    if (o.set->parsed())
        return nio::RegistrySetCommand(o.machine, o.key, o.name, o.value);
    return -1;
}
