#pragma once
// A shortcut: a small desktop-entry text file written at the link path, naming its target and
// carrying its description.
#include <string>

namespace kvz::setup
{

// The link file's text.
std::string ShellLinkText(const std::string &target, const std::string &description);

// Writes the link file (replacing an older one); with `createFolder` its folder is made first.
bool CreateLink(const std::string &target, const std::string &linkPath, const std::string &description,
                bool createFolder);

} // namespace kvz::setup
