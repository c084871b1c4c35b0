#pragma once
// Path helpers. The separator is '/', and a '\' written by a user or an older tool is accepted too.
#include <string>
#include <string_view>

namespace kvz
{

// Index of the last '/' or '\', or npos.
size_t LastSeparator(std::string_view path);
// Everything before the last separator ("" when there is none).
std::string DirectoryOf(std::string_view path);
// Everything after the last separator.
std::string FileNameOf(std::string_view path);
// The text after the last '.' of the file name, without the dot ("" when there is none).
std::string ExtensionOf(std::string_view path);
// dir + '/' + name, without doubling a separator.
std::string JoinPath(std::string_view dir, std::string_view name);
// Existence by access(2).
bool PathExists(const std::string &path);
// ASCII comparison without regard to case (paths compared with a registered path, extensions).
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Folder of the running program (for the driver executable and help files beside it).
std::string ExecutableDirectory();

} // namespace kvz
