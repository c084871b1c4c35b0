#pragma once
// The program's icon set (SVG resources under ui/resources/icons), by the resource numbers and names
// the forms use.
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace Icons
{
// ":/resources/icons/<name>.svg" as an icon.
QIcon Named(const QString &name);
// The icon with resource number `id` (2 application, 926 logo, 5100 to 5109 list and field icons).
QIcon Resource(int id);
// A dialog button's glyph: "OK", "CANCEL", "NEW", "DELETE", "HELP".
QIcon Button(const QString &bitmap);
// The rendered logo at `size`.
QPixmap Logo(const QSize &size);
// A channel toolbar button (30 x 20) showing the channel number.
QIcon ChannelButton(int channel);
} // namespace Icons
