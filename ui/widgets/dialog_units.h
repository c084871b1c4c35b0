#pragma once
// Form geometry from the dialog-unit tables: a dialog unit is a quarter of the font's average
// character width across and an eighth of its height down.
#include <QFont>
#include <QRect>

class DialogUnits
{
public:
    explicit DialogUnits(const QFont &font);
    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int baseX_;
    int baseY_;
};

// The font of the forms ("Helv" 8 on the original forms).
QFont FormFont();
