#include "ui/widgets/bitmap_button.h"

#include "ui/widgets/icons.h"

#include <QPainter>
#include <QStyleOptionButton>

BitmapButton::BitmapButton(const QString &bitmap, const QString &caption, QWidget *parent)
    : QPushButton(caption, parent), bitmap_(bitmap)
{
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    setIcon(Icons::Button(bitmap));
    setIconSize(QSize(16, 16));
}

QSize BitmapButton::sizeHint() const
{
    QSize s = QPushButton::sizeHint();
    return QSize(std::max(s.width(), 76), std::max(s.height(), 26));
}

void BitmapButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const bool down = isDown();
    const bool enabled = isEnabled();

    // Up: light top-left, dark bottom-right; down: the reverse, content shifted by a pixel.
    p.fillRect(r, QColor(192, 192, 192));
    QColor light(255, 255, 255), mid(128, 128, 128), dark(0, 0, 0);
    p.setPen(down ? dark : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(down ? light : dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (!down) {
        p.setPen(mid);
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }

    const int shift = down ? 1 : 0;
    QRect content = r.adjusted(6 + shift, 3 + shift, -6 + shift, -3 + shift);
    const QPixmap glyph = icon().pixmap(iconSize(), enabled ? QIcon::Normal : QIcon::Disabled);
    QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(text());
    const int total = glyph.width() / glyph.devicePixelRatio() + 5 + textWidth;
    int x = content.left() + std::max(0, (content.width() - total) / 2);
    const int gy = content.top() + (content.height() - iconSize().height()) / 2;
    p.drawPixmap(x, gy, glyph);
    x += iconSize().width() + 5;
    p.setPen(enabled ? palette().color(QPalette::ButtonText) : QColor(128, 128, 128));
    QRect textRect(x, content.top(), textWidth + 2, content.height());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());

    if (hasFocus()) {
        // The focused state: a dotted frame inside the bevel.
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}
