#include "ui/app/context_help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

namespace ContextHelp
{

namespace
{

QString FindPage(const QString &fileName)
{
    QStringList folders;
    const QString env = qEnvironmentVariable("KVZ_HELP_DIR");
    if (!env.isEmpty())
        folders << env;
    folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kvz/help");
    for (const QString &folder : folders) {
        QFileInfo page(QDir(folder), fileName);
        if (page.isFile())
            return page.absoluteFilePath();
    }
    return {};
}

bool OpenPage(const QString &page)
{
    if (page.isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

} // namespace

QString PageFor(int contextId)
{
    return FindPage(QStringLiteral("%1.html").arg(contextId));
}

QString ContentsPage()
{
    return FindPage(QStringLiteral("index.html"));
}

bool Open(int contextId)
{
    return OpenPage(PageFor(contextId));
}

bool OpenContents()
{
    return OpenPage(ContentsPage());
}

int ContextFor(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        bool numeric = false;
        const int id = w->objectName().toInt(&numeric);
        if (numeric && id != 0 && !PageFor(id).isEmpty())
            return id;
    }
    return 0;
}

bool OpenFor(const QWidget *widget)
{
    const int id = ContextFor(widget);
    return id != 0 ? Open(id) : OpenContents();
}

} // namespace ContextHelp
