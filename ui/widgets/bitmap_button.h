#pragma once
// The dialogs' bitmap buttons (OK, Cancel, New, Delete, Help): a glyph from the icon set beside the
// caption, drawn raised when up, sunk when down and with a focus frame when focused. They are never
// default or auto-default buttons: Enter in a field must not press them.
#include <QPushButton>
#include <QString>

class BitmapButton : public QPushButton
{
    Q_OBJECT
public:
    // `bitmap` is the bitmaps' base name: "OK", "CANCEL", "NEW", "DELETE" or "HELP".
    BitmapButton(const QString &bitmap, const QString &caption, QWidget *parent = nullptr);
    const QString &bitmapName() const { return bitmap_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString bitmap_;
};
