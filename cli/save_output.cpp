#include "cli/save_output.h"

#include "cli/cli_ui.h"
#include "document/did_doc.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/paths.h"

#include <cstdio>
#include <filesystem>

namespace
{

constexpr size_t kPathBuffer = 512;

std::string RegisteredStartupFile()
{
    char path[kPathBuffer] = {};
    return GetConfigFilePath(path, sizeof path) ? std::string(path) : std::string();
}

bool IsBinaryName(const std::string &path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    return kvz::EqualsIgnoreCase(extension, std::string(".") + kvz::kDriverIdentity.acronym);
}

void Say(const std::string &text)
{
    std::fprintf(stderr, "kvzcfg: %s\n", text.c_str());
}

} // namespace

void SaveOutput(CDidDoc &doc, CliUi &ui, const std::string &out, bool startup)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(out, error);
    // Messages name OUT as it was given; the registry gets its absolute name.
    const std::string path = error ? out : absolute.lexically_normal().string();
    const std::string before = RegisteredStartupFile();
    const int errorsBefore = ui.ErrorCount();
    const int questionsBefore = ui.QuestionCount();

    doc.SaveAsChosenFile(out);

    if (!IsBinaryName(out)) {
        if (startup)
            ui.ReportError(out + " not made the startup file: the driver loads only ." +
                           std::string(kvz::kDriverIdentity.acronym) + " files");
        return;
    }
    bool saved = ui.ErrorCount() == errorsBefore && kvz::PathExists(out);
    bool asked = ui.QuestionCount() > questionsBefore;
    if (!saved) {
        // The question is asked before the file is written: a Yes must not leave the driver pointed at a
        // file that is not there.
        if (asked && RegisteredStartupFile() != before)
            SetConfigFilePath(before.c_str());
        return;
    }
    if (startup) {
        if (RegisteredStartupFile() != path)
            SetConfigFilePath(path.c_str());
        Say(out + " kept as startup file");
    } else if (asked) {
        // A relative OUT may name the registered file itself: then it was the startup file already.
        if (!kvz::EqualsIgnoreCase(before, path))
            Say(out + " not made the startup file; the driver starts with " + before +
                " (--startup makes it the startup file)");
    }
}
