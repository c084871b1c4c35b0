#pragma once
// What the configurator's modal dialogs share: the template's identifier as object name, the form
// font, a fixed size and control positions in dialog units, and the keyboard of the original forms:
// there is no default button, so Enter presses only a push button that has the focus and Enter in a
// field presses nothing.
#include "ui/widgets/dialog_units.h"

#include <QDialog>
#include <QString>

class BitmapButton;

class FormDialog : public QDialog
{
    Q_OBJECT
public:
    // `templateId` becomes the object name ("5201"); the size is `width` x `height` dialog units.
    FormDialog(int templateId, const QString &title, int width, int height, QWidget *parent);

protected:
    const DialogUnits &units() const { return units_; }

    // Gives `widget` the rectangle x, y, w, h in dialog units and, when `id` is not 0, the control's
    // identifier as its object name. Returns the widget.
    template <class W> W *place(W *widget, int x, int y, int w, int h, int id = 0)
    {
        placeWidget(widget, x, y, w, h, id);
        return widget;
    }
    BitmapButton *addButton(int id, const QString &bitmap, const QString &caption, int x, int y, int w,
                            int h);

    // The grey of the forms on the dialog and its controls (edits too when `editsToo`), with greyed
    // text dark enough to read on it.
    void paintGrey(bool editsToo);

    // True when the dialog's keyboard focus is on `widget` (OK and Cancel act only then).
    bool focusIsOn(const QWidget *widget) const;

    void keyPressEvent(QKeyEvent *event) override;

private:
    void placeWidget(QWidget *widget, int x, int y, int w, int h, int id);

    DialogUnits units_;
};
