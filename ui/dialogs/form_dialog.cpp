#include "ui/dialogs/form_dialog.h"

#include "ui/app/context_help.h"
#include "ui/widgets/bitmap_button.h"
#include "ui/widgets/grey_form.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

FormDialog::FormDialog(int templateId, const QString &title, int width, int height, QWidget *parent)
    : QDialog(parent), units_(FormFont())
{
    setObjectName(QString::number(templateId));
    setWindowTitle(title);
    setFont(FormFont());
    setFixedSize(units_.size(width, height));
    // F1 in a dialog: the frame's shortcut does not reach a modal window, so the dialog has its own.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { ContextHelp::OpenFor(focusWidget()); });
}

void FormDialog::placeWidget(QWidget *widget, int x, int y, int w, int h, int id)
{
    widget->setGeometry(units_.rect(x, y, w, h));
    if (id != 0)
        widget->setObjectName(QString::number(id));
}

BitmapButton *FormDialog::addButton(int id, const QString &bitmap, const QString &caption, int x, int y,
                                    int w, int h)
{
    return place(new BitmapButton(bitmap, caption, this), x, y, w, h, id);
}

void FormDialog::paintGrey(bool editsToo)
{
    PaintGrey(this, editsToo);
}

bool FormDialog::focusIsOn(const QWidget *widget) const
{
    return widget != nullptr && focusWidget() == widget;
}

void FormDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter on a focused push button presses it, as on the original forms; everywhere else Enter
    // does nothing (the dialog has no default button) and Esc goes to reject().
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()); button && button->isEnabled())
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
