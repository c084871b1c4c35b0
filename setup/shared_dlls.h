#pragma once
// Reference counts of libraries shared between products, kept as 32-bit numbers in the machine hive
// under Software\Microsoft\Windows\CurrentVersion\SharedDlls, one value per full library path.
#include <string>

namespace kvz::setup
{

constexpr const char *kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

// Raises the count of `path` by 1, or creates it with 1 when absent. A value that is there but not a
// number is left alone, and a count at its largest stays there. False when nothing was written.
bool AddSharedDllReference(const std::string &path);

} // namespace kvz::setup
