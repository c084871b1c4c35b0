#pragma once
// The question a save asks when it writes a file other than the one the driver starts with.
#include <string>

// When a startup file is registered and `path` names another file, asks whether `path` should become
// the startup file and registers it on Yes. The names are compared without regard to case (the
// registered name may have been upper-cased by an older configurator); `path` keeps its case.
void ConfirmStartupFile(const std::string &path);
