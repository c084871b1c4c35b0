#pragma once
// Drives a modal dialog as a person does: the dialog runs in its own exec() loop, and a script that
// starts once the dialog is the active modal window clicks, types, tabs and presses keys into it. The
// focus moves for real, so fields commit when the focus leaves them, as in the program.
#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTest>
#include <functional>

class ScriptedUi;

namespace ModalDriver
{

// What RunModal gives when the script ended with the dialog still open (the driver then closes it).
inline constexpr int kLeftOpen = -1;

// Runs `act` on the next modal dialog once it is open, for dialogs the program itself opens (a click on
// Add, a double click in a list, a close).
void RunWhenModal(std::function<void(QDialog *)> act, int timeoutMs = 5000);

// Runs `dialog.exec()`; `script` runs inside the dialog's loop once it is active. Returns exec()'s
// result, or kLeftOpen when the dialog was still open after the script.
int RunModal(QDialog &dialog, const std::function<void(QDialog &)> &script);

// The dialog's child named `name` (a control identifier such as "2001"); null (and a failed check)
// when there is none.
template <class T = QWidget> T *Control(QWidget &dialog, const QString &name)
{
    T *control = dialog.findChild<T *>(name);
    [&] { QVERIFY2(control != nullptr, qPrintable(QStringLiteral("no control ") + name)); }();
    return control;
}

// A mouse click on the control; it takes the focus as a click gives it.
void Click(QWidget &dialog, const QString &name);
// Clicks into the edit field, selects its whole text and types `text` over it. Nothing is committed
// until the focus leaves the field.
void TypeInto(QWidget &dialog, const QString &name, const QString &text);
// One key to the widget that has the focus.
void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Tab();
// The object name of the widget that has the focus ("" when none has).
QString FocusName();
// The text of the edit field `name` ("" and a failed check when there is none).
QString FieldText(QWidget &dialog, const QString &name);
// The selected text of the edit field `name`.
QString SelectedText(QWidget &dialog, const QString &name);
// The caption's close box.
void CloseBox(QWidget &dialog);
// Opens the drop-down `name` with a click and picks row `row` in its list with the keyboard.
void Choose(QWidget &dialog, const QString &name, int row);

// Saves what the window shows as "<name>.png" in the folder $KVZ_SNAPSHOT_DIR names (nothing when it
// is not set): a way to look at a dialog as the tests leave it.
void SaveSnapshot(QWidget &window, const QString &name);

// Every message of `ui` is shown in a real message box, which takes the focus from the dialog as it
// does for a user, and closed again at once. `inside` runs while the box is open.
void ShowRealBoxes(ScriptedUi &ui, std::function<void()> inside = {});

} // namespace ModalDriver
