#pragma once
// The CSV file around the objects' lines: the user's list separator and the writing of whole lines.
#include "platform/atomic_file_writer.h"

#include <string>
#include <string_view>

// The first character of "sList" under "Control Panel\International" of the current user; "," when the
// value is missing, empty or longer than three characters.
std::string GetListSeparator();

// A CSV file being written: lines are gathered and handed to the atomic writer in large pieces, so
// the old file stays until the whole new one is on disk.
class CsvOutput
{
public:
    explicit CsvOutput(const std::string &path) : writer_(path) {}
    bool Open(std::error_code *error) { return writer_.Open(error); }
    // Appends `text` (line feeds become CR LF); false once a write failed.
    bool Append(std::string_view text, std::error_code *error);
    bool Close(std::error_code *error);
    void Abandon() { writer_.Abandon(); }

private:
    bool Flush(std::error_code *error);

    kvz::AtomicFileWriter writer_;
    std::string pending_;
};

// Writes `line` and a line end. On a file error: "Save Failed. Disk Full." when the disk is full
// (the system's reason for other errors), the file is abandoned and the result is 0; 1 on success.
int WriteCsvLine(CsvOutput &file, std::string_view line);
// The message of a failed CSV write ("Save Failed. Disk Full." when the disk is full).
void ShowCsvWriteFailure(const std::error_code &error);
