#pragma once
// Carrying out an install section of an INF file: its CopyFiles= directives become copies in a file
// queue, its AddReg= directives registry values. Other directives are ignored. A section is done
// whole or not at all: every line it uses is checked before anything is queued or written, and one
// malformed line fails that section only.
#include "setup/directory_ids.h"
#include "setup/file_queue.h"
#include "setup/inf_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kvz::setup
{

constexpr uint32_t kAddRegString = 0x00000000;
constexpr uint32_t kAddRegNoClobber = 0x00000002;
constexpr uint32_t kAddRegDword = 0x00010001;

struct SectionResult {
    bool ok = true;
    int error = 0; // errno-style code when !ok
    int line = 0;  // INF line that failed, 0 when none
};

// Queues the files named by the section's CopyFiles= directives (file-list sections, or "@name" for
// one file into DefaultDestDir), taking sources from `sourceRoot`, each with `copyStyle`.
// A missing install section has nothing to copy; a named file-list section that is missing fails.
SectionResult QueueInfSectionFiles(const InfFile &inf, std::string_view section, const DirectoryIds &dirids,
                                   const std::string &sourceRoot, uint32_t copyStyle, FileQueue &queue);

// Writes the values of the registry sections named by the section's AddReg= directives: lines
// "root, subkey, value name, flags, value" for roots HKLM, HKCU and HKCR (the machine's
// Software\Classes), flags 0 (string) or 0x00010001 (32-bit number), either with 0x2 (keep an
// existing value).
SectionResult ApplyInfSectionRegistry(const InfFile &inf, std::string_view section,
                                      const DirectoryIds &dirids);

} // namespace kvz::setup
