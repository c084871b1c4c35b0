#pragma once
// The end of a command that writes a configuration: Save As on OUT, with the startup file answered
// as the command line says.
#include <string>

class CDidDoc;
class CliUi;

// Saves `doc` as `out` as Save As does (the extension chooses the format). The question a binary
// save asks when another startup file is registered is answered by `startup` and not printed; one
// line on stderr says what became of it: "OUT kept as startup file" or "OUT not made the startup
// file". With `startup`, OUT is registered even when no startup file was; a save that failed
// registers nothing. OUT is registered by its absolute name, which the driver finds from anywhere.
void SaveOutput(CDidDoc &doc, CliUi &ui, const std::string &out, bool startup);
