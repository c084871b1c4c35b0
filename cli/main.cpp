// kvzcfg: the configurator's document without its windows, for engineers' scripts and CI.
//   kvzcfg convert IN OUT [--startup]   open IN as File > Open does, save OUT as Save As does
//   kvzcfg dump FILE                    print the tree, one line per channel, device and poll record
//   kvzcfg import-dbf TABLE [--into CONFIG] --out OUT [--verbose]   see cli/import_dbf_command.h
//   kvzcfg driver ... | registry ...                                  see cli/driver_commands.h
// Exit status: 0 done without an error message, 1 an error was shown (or an import wrote its error
// file or left an input line out), 2 bad usage.
#include "cli/cli_ui.h"
#include "cli/driver_commands.h"
#include "cli/import_dbf_command.h"
#include "cli/save_output.h"
#include "document/did_doc.h"
#include "document/tree_dump.h"
#include "platform/driver_identity.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

// Opens `path` into `doc` as File > Open does; false (with a message) when nothing could be opened.
bool OpenInput(CDidDoc &doc, CliUi &ui, const std::string &path)
{
    if (::access(path.c_str(), R_OK) != 0) {
        ui.ReportError("cannot open " + path + ": " + std::strerror(errno));
        return false;
    }
    ResetImportCounts();
    doc.OpenChosenFile(path);
    return true;
}

int Convert(const std::string &in, const std::string &out, bool startup)
{
    CliUi ui(startup ? kvz::MsgResult::Yes : kvz::MsgResult::No);
    kvz::IUiServices *previous = kvz::SetUi(&ui);
    int status = kExitError;
    {
        CDidDoc doc;
        if (OpenInput(doc, ui, in)) {
            // Save As is offered only for a configuration with poll records; an input that could not be
            // read has already said why, and nothing is written.
            if (doc.GetCommandState(ID_FILE_SAVE_AS).enabled)
                SaveOutput(doc, ui, out, startup);
            else if (ui.ErrorCount() == 0)
                ui.ReportError(in + " holds no poll record; there is nothing to save");
            status = ExitStatusOf(ui);
        }
    }
    kvz::SetUi(previous);
    return status;
}

int Dump(const std::string &file)
{
    CliUi ui(kvz::MsgResult::No);
    kvz::IUiServices *previous = kvz::SetUi(&ui);
    int status = kExitError;
    {
        CDidDoc doc;
        if (OpenInput(doc, ui, file)) {
            std::string text = DumpTree(doc.m_ChannelList);
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
            status = ExitStatusOf(ui);
        }
    }
    kvz::SetUi(previous);
    return status;
}

// "kvzcfg help [COMMAND [SUBCOMMAND]]": the help text of that command, or of the program.
int ShowHelp(CLI::App &app, const std::vector<std::string> &topic)
{
    CLI::App *command = &app;
    for (const std::string &name : topic) {
        CLI::App *next = nullptr;
        for (CLI::App *sub : command->get_subcommands({}))
            if (sub->get_name() == name)
                next = sub;
        if (!next) {
            std::fprintf(stderr, "kvzcfg: no command %s\n", name.c_str());
            std::fputs(app.help().c_str(), stderr);
            return kExitUsage;
        }
        command = next;
    }
    // help() would describe the command that was parsed, "help" itself: format the topic directly.
    std::string name = command == &app ? app.get_name() : command->get_name();
    std::fputs(app.get_formatter()->make_help(command, name, CLI::AppFormatMode::Normal).c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    CLI::App app{"kvzcfg: convert and inspect KVZ driver configurations (binary .KVZ files and CSV files)"};
    app.set_version_flag("--version", kvz::ProgramVersionLine("kvzcfg"));
    app.require_subcommand(1, 1);

    std::string in, out, dumpFile;
    bool startup = false;
    CLI::App *convert =
        app.add_subcommand("convert", "Open IN (.KVZ or .CSV) and save it as OUT (.KVZ or .CSV)");
    convert->add_option("IN", in, "configuration to read")->required();
    convert->add_option("OUT", out, "file to write")->required();
    convert->add_flag("--startup", startup, "make OUT (.KVZ) the driver's startup file");
    CLI::App *dump = app.add_subcommand("dump", "Print the configuration tree of FILE (.KVZ or .CSV)");
    dump->add_option("FILE", dumpFile, "configuration to read")->required();
    ImportDbfOptions importDbf;
    CLI::App *importDbfCommand = AddImportDbfCommand(app, importDbf);
    DriverCommandOptions driverCommands;
    AddDriverCommands(app, driverCommands);
    std::vector<std::string> helpTopic;
    CLI::App *help = app.add_subcommand("help", "Show the help of COMMAND (e.g. kvzcfg help driver reload)");
    help->add_option("COMMAND", helpTopic, "command and subcommand");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        app.exit(e);
        std::fputs(app.help().c_str(), stderr);
        return kExitUsage;
    }
    if (help->parsed())
        return ShowHelp(app, helpTopic);
    if (convert->parsed())
        return Convert(in, out, startup);
    if (importDbfCommand->parsed())
        return RunImportDbf(importDbf);
    if (int status = RunDriverCommand(driverCommands); status >= 0)
        return status;
    return Dump(dumpFile);
}
