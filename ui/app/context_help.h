#pragma once
// Context help: the help page for a context id (a control's or a dialog's identifier), when the help
// pages are installed; otherwise nothing happens.
#include <QString>

namespace ContextHelp
{
// The page for `contextId`, or an empty string when none is installed. Pages are looked up in
// $KVZ_HELP_DIR, then beside the program in ../share/kvz/help, as "<id>.html"; "index.html" is the
// contents page.
QString PageFor(int contextId);
QString ContentsPage();
// Opens the page for `contextId`; false (and nothing shown) when none is installed.
bool Open(int contextId);
bool OpenContents();
} // namespace ContextHelp
