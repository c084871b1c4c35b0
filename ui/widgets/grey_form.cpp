#include "ui/widgets/grey_form.h"

#include <QPalette>

void PaintGrey(QWidget *widget, bool editsToo)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, FormGrey());
    p.setColor(QPalette::Button, FormGrey());
    if (editsToo)
        p.setColor(QPalette::Base, FormGrey());
    // The style's disabled text is nearly the form grey itself; greyed labels, fields and buttons must
    // stay legible, as grey text on the original forms did.
    const QColor greyText(128, 128, 128);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, greyText);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}
