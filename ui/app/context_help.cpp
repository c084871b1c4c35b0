#include "ui/app/context_help.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
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

constexpr int kViewerWidth = 640;
constexpr int kViewerHeight = 480;

QPointer<QTextBrowser> g_viewer;

// The configurator's own viewer: one window, kept for the next page. It belongs to the window that
// asked (a modal dialog blocks every window but its own), so it is made again for another owner.
QTextBrowser *Viewer()
{
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    if (g_viewer && g_viewer->parentWidget() != owner)
        delete g_viewer;
    if (!g_viewer) {
        g_viewer = new QTextBrowser(owner);
        g_viewer->setObjectName(QStringLiteral("helpViewer"));
        g_viewer->setWindowFlag(Qt::Window);
        g_viewer->setAttribute(Qt::WA_DeleteOnClose);
        g_viewer->setOpenExternalLinks(false);
        g_viewer->resize(kViewerWidth, kViewerHeight);
        QObject::connect(g_viewer, &QTextBrowser::sourceChanged, g_viewer,
                         [viewer = g_viewer.data()] { viewer->setWindowTitle(viewer->documentTitle()); });
    }
    return g_viewer;
}

void ShowInViewer(const QString &page)
{
    QTextBrowser *viewer = Viewer();
    viewer->setSource(QUrl::fromLocalFile(page));
    viewer->setWindowTitle(viewer->documentTitle());
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

// The desktop's viewer when there is one; the page in the configurator's own viewer otherwise.
bool OpenPage(const QString &page)
{
    if (page.isEmpty())
        return false;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        ShowInViewer(page);
    return true;
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
