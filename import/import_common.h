#pragma once
// What the two table imports share.
#include <string>

namespace hostdb
{

// The message box of a table that cannot be opened, with the import's caption.
void ShowFailedToOpen(const std::string &path, const char *caption);
// A line of ImportReport::notTaken for the 0-based `record` (numbered from 1, as a table viewer does).
std::string RecordLine(int record, const std::string &what);

} // namespace hostdb
