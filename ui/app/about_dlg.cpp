#include "ui/app/about_dlg.h"

#include "platform/driver_identity.h"
#include "ui/widgets/bitmap_button.h"
#include "ui/widgets/dialog_units.h"
#include "ui/widgets/grey_form.h"
#include "ui/widgets/icons.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <algorithm>

CBigIcon::CBigIcon(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setFlat(true);
}

QSize CBigIcon::SizeFor(const QSize &iconSize)
{
    return QSize(2 * iconSize.width() + 8, 2 * iconSize.height() + 8);
}

void CBigIcon::paintEvent(QPaintEvent *)
{
    const QIcon icon = Icons::Resource(2);
    if (icon.isNull())
        return;
    const int w = width(), h = height();
    QPainter p(this);
    // The frame, then a dark-grey shadow 4 pixels wide on the right and at the bottom.
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 4 - 1, h - 4 - 1);
    p.fillRect(QRect(QPoint(w - 4, 4), QPoint(w - 1, h - 1)), QColor(128, 128, 128));
    p.fillRect(QRect(QPoint(4, h - 4), QPoint(w - 1, h - 1)), QColor(128, 128, 128));
    // The icon at twice its size inside the frame.
    const QRect target(2, 2, w - 8, h - 8);
    icon.paint(&p, target);
}

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("10200"));
    setWindowTitle(QStringLiteral("About I/O Driver Configurator"));
    setFont(FormFont());
    PaintGrey(this);
    DialogUnits du(font());

    auto *big = new CBigIcon(this);
    big->setObjectName(QStringLiteral("10101"));
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize);
    big->move(du.x(5), du.y(4));
    big->resize(CBigIcon::SizeFor(QSize(iconSize, iconSize)));

    // Each label is at least as wide as its text, so no line is cut; the dialog grows to hold them.
    int right = 0;
    auto label = [&](const QString &text, int x, int y, int w) {
        auto *l = new QLabel(text, this);
        l->setTextFormat(Qt::PlainText);
        l->setGeometry(du.x(x), du.y(y), std::max(du.x(w), l->sizeHint().width()), du.y(10));
        right = std::max(right, l->geometry().right());
        return l;
    };
    QLabel *version = label(VersionLine(), 75, 8, 225);
    version->setObjectName(QStringLiteral("10119"));
    label(QStringLiteral("Quillmark Automation"), 75, 18, 160);
    label(QStringLiteral("All rights reserved"), 75, 28, 160);
    label(QStringLiteral("Plant networking for Siemens controllers"), 75, 38, 165);
    label(QStringLiteral("support@quillmark.example"), 175, 94, 70)
        ->setObjectName(QStringLiteral("makerLine"));
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(du.x(75), du.y(48), du.x(165), 2);

    auto *logo = new QPushButton(this);
    logo->setObjectName(QStringLiteral("10124"));
    logo->setFlat(true);
    logo->setFocusPolicy(Qt::NoFocus);
    const QSize logoSize(150, 130);
    logo->setIcon(QIcon(Icons::Logo(logoSize)));
    logo->setIconSize(logoSize);
    logo->setGeometry(du.x(4), du.y(81), logoSize.width() + 4, logoSize.height() + 4);

    // The OK button lies outside the visible area, as on the original form: Enter and Esc close.
    auto *ok = new BitmapButton(QStringLiteral("OK"), tr("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->move(du.x(261), du.y(233));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(std::max({du.x(245), logo->geometry().right() + du.x(4), right + du.x(4)}),
                 std::max(du.y(193), logo->geometry().bottom() + du.y(4)));
}

QString CAboutDlg::VersionLine() const
{
    return QString::fromStdString(kvz::AboutVersionLine());
}

void CAboutDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowAboutDialog(QWidget *parent)
{
    CAboutDlg dialog(parent);
    dialog.exec();
}
