#include "cli/cli_ui.h"

#include "document/import_state.h"
#include "platform/driver_identity.h"

#include <cstdio>

namespace
{

std::string OneLine(std::string text)
{
    for (char &c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

} // namespace

kvz::MsgResult CliUi::ShowMessage(const kvz::MessageRequest &request)
{
    if (request.buttons == kvz::MsgButtons::YesNo || request.buttons == kvz::MsgButtons::YesNoCancel) {
        ++questions_;
        return answer_ == kvz::MsgResult::Yes ? kvz::MsgResult::Yes : kvz::MsgResult::No;
    }
    std::string caption = request.caption.empty() ? kvz::kDriverIdentity.acronym : request.caption;
    std::fprintf(stderr, "%s: %s\n", OneLine(caption).c_str(), OneLine(request.text).c_str());
    switch (request.buttons) {
    case kvz::MsgButtons::Ok:
        if (request.icon != kvz::MsgIcon::Information)
            ++errors_;
        return kvz::MsgResult::Ok;
    default:
        return kvz::MsgResult::Cancel;
    }
}

void CliUi::ReportError(const std::string &text)
{
    std::fprintf(stderr, "kvzcfg: %s\n", OneLine(text).c_str());
    ++errors_;
}

void ResetImportCounts()
{
    GetImportState().errorCount = 0;
    GetImportState().linesNotTaken = 0;
}

int ExitStatusOf(CliUi &ui)
{
    const ImportState &state = GetImportState();
    if (state.linesNotTaken > 0 && state.errorCount == 0)
        ui.ReportError(std::to_string(state.linesNotTaken) +
                       (state.linesNotTaken == 1 ? " input line was" : " input lines were") +
                       " not taken and the import error file " + state.errorFilePath +
                       " could not be written");
    bool failed = ui.ErrorCount() > 0 || state.errorCount > 0 || state.linesNotTaken > 0;
    return failed ? 1 : 0;
}
