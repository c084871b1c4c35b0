#pragma once
// The grey RGB(192,192,192) the forms and dialogs paint their background, buttons and labels with.
#include <QColor>
#include <QWidget>

inline QColor FormGrey()
{
    return QColor(192, 192, 192);
}

// Paints `widget` and the children that inherit its palette on the grey; edits keep their white base
// unless `editsToo` (the channel dialog paints its edits grey as well).
void PaintGrey(QWidget *widget, bool editsToo = false);
