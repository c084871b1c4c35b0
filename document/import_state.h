#pragma once
// The state of a running CSV import, kept for the whole process because the configuration objects
// report through it: while the importing flag is set their messages become lines of the import
// error file instead of message boxes.
#include <cstdint>
#include <string>

struct ImportState {
    uint32_t importing = 0;
    uint32_t lineNumber = 0; // shown as a signed 16-bit number
    uint32_t errorCount = 0; // read as an unsigned 16-bit number
    // Data lines that produced no object, counted whether or not the error file could be written.
    uint32_t linesNotTaken = 0;
    std::string errorFilePath;
};

ImportState &GetImportState();

// Appends "Line Number %3d : message" to the import error file (created by the first error of an
// import, appended to by the others) and counts the error. When the file cannot be written the
// error is lost and not counted.
void LogImportError(const std::string &message);
