#pragma once
// The document's own texts: string-table messages shown by id, and the fixed texts of its boxes.
#include "platform/driver_identity.h"

#include <string>

// The driver acronym: the configuration file's extension and the prefix of the driver's names.
inline constexpr const char *kDocAcronym = kvz::kDriverIdentity.acronym;
// Where Save As proposes to save when no startup file is registered.
inline const std::string kDefaultInstallFolder =
    std::string("C:\\Program Files\\") + kvz::kDriverIdentity.registryPath;

enum DocStringId : int {
    IDS_INVALID_FILE_TYPE = 10301,
    IDS_RELOAD_COMPLETE = 10303,
    IDS_SAVE_CHANGES = 10304,
    IDS_UNABLE_TO_OPEN = 10405,
    IDS_DISK_FULL = 10415,
    IDS_DRIVER_NOT_STARTED = 10416,
    IDS_ERROR_FILE_NAME = 10417,
    IDS_CSV_EXTENSION = 10419,
    IDS_FILE_FILTER = 10421,
    IDS_IMPORT_ERRORS = 10438,
    IDS_IMPORT_ERROR_LINE = 10439,
    IDS_OUT_OF_MEMORY = 10499,
    IDS_REPORT_TITLE = 10505,
};

// The text of a document string (the model's table for the model's ids); empty when unknown.
std::string LoadDocString(int id);

// Fixed texts of the configuration file's boxes.
namespace doctext
{
inline constexpr const char *kStartupCaption = "Warning !";
inline constexpr const char *kStartupQuestion = "You are Saving to %s\nThe Driver is starting up with %s\nDo "
                                                "You wish to make this the new Startup file ?";
inline constexpr const char *kSaveFailed = "File Save Failed";
inline constexpr const char *kOlderFormatCaption = "WARNING ! %d";
inline constexpr const char *kOlderFormatText = "Older File Format, Please save & re-open";
inline constexpr const char *kCorruptCaption = "The Configuration file is corrupt, Please re-save";
inline constexpr const char *kReadError = "File Read Error";
inline constexpr const char *kOpenError = "File Open Error";
inline constexpr const char *kSaveLogText = "Log File will be saved to %s_LOG.TXT";
inline constexpr const char *kUntitled = "Untitled";
inline constexpr const char *kImportFilter = "DBase files(*.dbf)|*.DBF|Runtime files(*.rdb)|*.RDB||";
} // namespace doctext
