#include "document/doc_strings.h"

#include "model/string_table.h"

#include <iterator>

namespace
{

struct DocString {
    int id;
    const char *text;
};

constexpr DocString kDocStrings[] = {
    {IDS_INVALID_FILE_TYPE, "Invalid File Type specified."},
    {IDS_RELOAD_COMPLETE, "Reload Complete"},
    {IDS_SAVE_CHANGES, "The I/O Driver Configuration has been modified but not saved. \n\rSave changes? "
                       "(Selecting NO will result in changes being discarded.)"},
    {IDS_UNABLE_TO_OPEN, "Unable to open file. Please Check file attributes. "},
    {IDS_DISK_FULL, "Save Failed. Disk Full."},
    {IDS_DRIVER_NOT_STARTED, "Driver not Started Not Started!"},
    {IDS_ERROR_FILE_NAME, "DIDW.ERR"},
    {IDS_CSV_EXTENSION, "CSV"},
    {IDS_FILE_FILTER, "Config. Files (*.###)|*.###|Text Files (*.CSV)|*.CSV||"},
    {IDS_IMPORT_ERRORS, "%1 Errors detected during import. Errors reported to file %2"},
    {IDS_IMPORT_ERROR_LINE, "Line Number %1 : %2"},
    {IDS_OUT_OF_MEMORY, "Fatal error: Memory allocation failed."},
    {IDS_REPORT_TITLE, "  Driver Configuration Report"},
};

} // namespace

std::string LoadDocString(int id)
{
    for (const DocString &s : kDocStrings)
        if (s.id == id)
            return s.text;
    return LoadModelString(id);
}
