#include "ui/widgets/dialog_units.h"

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont &font)
{
    QFontMetrics m(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (m.horizontalAdvance(letters) / 26 + 1) / 2;
    baseY_ = m.height();
}

int DialogUnits::x(int units) const
{
    return units * baseX_ / 4;
}

int DialogUnits::y(int units) const
{
    return units * baseY_ / 8;
}

QRect DialogUnits::rect(int x0, int y0, int width, int height) const
{
    return QRect(x(x0), y(y0), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const
{
    return QSize(x(width), y(height));
}

QFont FormFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}
