#include "document/import_state.h"

#include "document/doc_strings.h"
#include "document/text_mode.h"
#include "model/string_table.h"

#include <cstdio>
#include <memory>

ImportState &GetImportState()
{
    static ImportState state;
    return state;
}

void LogImportError(const std::string &message)
{
    ImportState &state = GetImportState();
    const char *mode = state.errorCount == 0 ? "wb" : "ab";
    std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(state.errorFilePath.c_str(), mode), &std::fclose);
    if (!file)
        return;
    char number[16];
    std::snprintf(number, sizeof number, "%3d", static_cast<int>(static_cast<int16_t>(state.lineNumber)));
    std::string line = FormatPlaceholders(LoadDocString(IDS_IMPORT_ERROR_LINE), {number, message}) + "\n";
    std::string bytes = ToTextMode(line);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    if (std::fclose(file.release()) != 0 || !written)
        return;
    ++state.errorCount;
}
