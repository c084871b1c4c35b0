#pragma once
// The About box: the driver's description and version from the driver identity, the application icon
// drawn large in a framed button with a drop shadow, and the product logo.
#include <QDialog>
#include <QPushButton>

// The application icon at twice the system icon size inside a frame with a 4-pixel drop shadow.
class CBigIcon : public QPushButton
{
    Q_OBJECT
public:
    explicit CBigIcon(QWidget *parent = nullptr);
    // (2 × icon width + 8) × (2 × icon height + 8) for the style's icon size.
    static QSize SizeFor(const QSize &iconSize);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);
    QString VersionLine() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Runs the About box modally.
void ShowAboutDialog(QWidget *parent);
