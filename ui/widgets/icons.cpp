#include "ui/widgets/icons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace Icons
{

namespace
{
QString PathOf(const QString &name)
{
    return QStringLiteral(":/resources/icons/%1.svg").arg(name);
}
} // namespace

QIcon Named(const QString &name)
{
    return QIcon(PathOf(name));
}

QIcon Resource(int id)
{
    switch (id) {
    case 2:
        return Named(QStringLiteral("app"));
    case 926:
        return Named(QStringLiteral("logo"));
    default:
        return Named(QStringLiteral("icon%1").arg(id));
    }
}

QIcon Button(const QString &bitmap)
{
    return Named(QStringLiteral("button-%1").arg(bitmap.toLower()));
}

QPixmap Logo(const QSize &size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(PathOf(QStringLiteral("logo")));
    QPainter p(&pixmap);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon ChannelButton(int channel)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(30 * scale, 20 * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QSvgRenderer renderer(PathOf(QStringLiteral("channel")));
        renderer.render(&p, QRectF(0, 0, 30, 20));
        QFont f;
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(20, 40, 80));
        p.drawText(QRectF(9, 0, 21, 20), Qt::AlignCenter, QString::number(channel));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace Icons
