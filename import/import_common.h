#pragma once
// What the two table imports share.
#include <string>

namespace hostdb
{

// The message box of a table that cannot be opened, with the import's caption.
void ShowFailedToOpen(const std::string &path, const char *caption);

} // namespace hostdb
