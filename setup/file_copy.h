#pragma once
// Copying one file the way the installer needs it: the target's folder is created, the copy keeps the
// source's permission bits and last-write time, and the target is replaced in one step (a temporary
// file in the same folder renamed over it), so a failed copy never leaves half a file.
#include <ctime>
#include <optional>
#include <string>

namespace kvz::setup
{

enum class Overwrite { Replace, KeepExisting };

// 0, or an errno-style code. With KeepExisting an existing target is left alone and EEXIST given.
int CopyFileKeepingTime(const std::string &source, const std::string &target,
                        Overwrite overwrite = Overwrite::Replace);

// Last-write time of a file, or nothing when it cannot be read.
std::optional<timespec> LastWriteTime(const std::string &path);
// a later than b.
bool IsLater(const timespec &a, const timespec &b);

// A file without any write permission is what a read-only attribute is here; clearing it gives the
// owner write permission back. False when the file cannot be read or changed.
bool IsReadOnly(const std::string &path);
bool ClearReadOnly(const std::string &path);

} // namespace kvz::setup
