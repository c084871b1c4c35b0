#include "ui/app/context_help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

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

} // namespace ContextHelp
