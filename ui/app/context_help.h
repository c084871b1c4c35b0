#pragma once
// Context help: the help page for a context id (a control's or a dialog's identifier), when the help
// pages are installed; otherwise nothing happens. The desktop's viewer shows the page; where none opens
// it, the configurator shows it in a window of its own.
#include <QString>

class QWidget;

namespace ContextHelp
{
// The page for `contextId`, or an empty string when none is installed. Pages are looked up in
// $KVZ_HELP_DIR, then beside the program in ../share/kvz/help, as "<id>.html"; "index.html" is the
// contents page.
QString PageFor(int contextId);
QString ContentsPage();
// Opens the page for `contextId`; false (and nothing shown) when none is installed. The configurator's
// own viewer is the window named "helpViewer".
bool Open(int contextId);
bool OpenContents();
// F1: the page of `widget` when it has one, else of the nearest window around it that has one (a field
// of the configuration view opens the view's page), else the contents. A widget's context id is its
// object name when that is a number.
bool OpenFor(const QWidget *widget);
// The context id OpenFor would open for `widget`; 0 for the contents.
int ContextFor(const QWidget *widget);
} // namespace ContextHelp
