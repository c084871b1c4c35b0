#pragma once
// kvzcfg import-dbf TABLE [--into CONFIG] --out OUT [--verbose]: the host database import without its
// windows. Starts from CONFIG (anything convert opens) or from an empty configuration with one channel,
// hands TABLE to the document's Import Addresses command, and saves OUT as convert does.
#include <string>

namespace CLI
{
class App;
}

struct ImportDbfOptions {
    std::string table;
    std::string into; // empty: an empty configuration with one channel
    std::string out;
    bool verbose = false; // print every level-23 line of the import (the address texts built)
};

// Registers the subcommand on `app`; the parsed values land in `options`.
CLI::App *AddImportDbfCommand(CLI::App &app, ImportDbfOptions &options);

// Exit status as for convert: 0 done without an error message, 1 an error was shown, 2 bad usage.
int RunImportDbf(const ImportDbfOptions &options);
