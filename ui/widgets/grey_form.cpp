#include "ui/widgets/grey_form.h"

#include <QPalette>

void PaintGrey(QWidget *widget, bool editsToo)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, FormGrey());
    p.setColor(QPalette::Button, FormGrey());
    if (editsToo)
        p.setColor(QPalette::Base, FormGrey());
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}
