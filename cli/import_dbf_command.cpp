#include "cli/import_dbf_command.h"

#include "cli/cli_ui.h"
#include "cli/save_output.h"
#include "document/did_doc.h"
#include "import/host_import.h"
#include "model/drv_specific_channel.h"
#include "niolib/nio_support.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace
{

constexpr int kExitError = 1;

// The file dialog of Import Addresses answers with the table named on the command line; a message
// under one of the import's own captions means the table could not be opened.
class ImportDbfUi : public CliUi
{
public:
    explicit ImportDbfUi(std::string table) : CliUi(kvz::MsgResult::No), table_(std::move(table)) {}

    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &) override { return table_; }
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &request) override
    {
        if (request.caption == hostdb::kImportUnitsCaption ||
            request.caption == hostdb::kImportVariablesCaption)
            tableFailed_ = true;
        return CliUi::ShowMessage(request);
    }
    bool TableFailed() const { return tableFailed_; }

private:
    std::string table_;
    bool tableFailed_ = false;
};

// Prints the import's information lines while it lives.
class VerboseLog
{
public:
    explicit VerboseLog(bool on)
    {
        if (on)
            nio::SetLogObserver([](uint16_t level, const std::string &text) {
                if (level == hostdb::kLogInformation)
                    std::printf("%s\n", text.c_str());
            });
    }
    ~VerboseLog()
    {
        std::fflush(stdout);
        nio::SetLogObserver(nullptr);
    }
    VerboseLog(const VerboseLog &) = delete;
    VerboseLog &operator=(const VerboseLog &) = delete;
};

// CONFIG as File > Open reads it, or an empty configuration with one channel; either way a channel
// is current, as the units import puts its devices there.
bool StartConfiguration(CDidDoc &doc, CliUi &ui, const std::string &into)
{
    if (!into.empty()) {
        if (::access(into.c_str(), R_OK) != 0) {
            ui.ReportError("cannot open " + into + ": " + std::strerror(errno));
            return false;
        }
        ResetImportCounts();
        doc.OpenChosenFile(into);
    }
    if (doc.m_ChannelList.empty())
        doc.m_ChannelList.push_back(std::make_unique<CDrvSpecificChannel>());
    if (!GetCurrentChannel())
        doc.SetCurrentChannel(doc.m_ChannelList.front().get());
    return true;
}

} // namespace

CLI::App *AddImportDbfCommand(CLI::App &app, ImportDbfOptions &options)
{
    CLI::App *command = app.add_subcommand(
        "import-dbf",
        "Import a host units or variables table (.DBF) into CONFIG or a new configuration, save OUT");
    command
        ->add_option("TABLE", options.table, "units table (a path holding UNITS or units) or variables table")
        ->required();
    command->add_option("--into", options.into, "configuration to start from (.KVZ or .CSV)");
    command->add_option("--out", options.out, "file to write (.KVZ or .CSV)")->required();
    command->add_flag("--verbose", options.verbose, "print each address text built");
    return command;
}

int RunImportDbf(const ImportDbfOptions &options)
{
    ImportDbfUi ui(options.table);
    kvz::IUiServices *previous = kvz::SetUi(&ui);
    int status = kExitError;
    {
        CDidDoc doc;
        if (StartConfiguration(doc, ui, options.into)) {
            hostdb::ImportReport report;
            {
                VerboseLog log(options.verbose);
                doc.SetAddressImporter([&](const std::string &path) { report = hostdb::Import(path); });
                doc.OnImportAddresses();
            }
            for (const std::string &line : report.notTaken)
                ui.ReportError(options.table + ": " + line);
            // A table that could not be opened changed nothing: OUT is not written.
            // Save As is offered only for a configuration with poll records.
            if (!ui.TableFailed()) {
                if (doc.GetCommandState(ID_FILE_SAVE_AS).enabled)
                    SaveOutput(doc, ui, options.out, false);
                else if (ui.ErrorCount() == 0)
                    ui.ReportError("the configuration holds no poll record after importing " + options.table +
                                   "; there is nothing to save");
            }
            status = ExitStatusOf(ui);
        }
    }
    kvz::SetUi(previous);
    return status;
}
