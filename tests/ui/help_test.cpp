// Context help: every context id the configurator uses has a page beside the built program, the pages'
// links resolve, and F1, Help > Contents and the dialogs' F1 open the page of the window with the focus.
#include "frame_fixture.h"
#include "modal_driver.h"
#include "ui/app/context_help.h"
#include "ui/dialogs/dev_name_dlg.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

// Takes the URLs that would go to the desktop's browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QString LastPage() const
    {
        return urls.isEmpty() ? QString() : QFileInfo(urls.last().toLocalFile()).fileName();
    }
    QList<QUrl> urls;

public slots:
    void Open(const QUrl &url) { urls << url; }
};

class HelpTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { qunsetenv("KVZ_HELP_DIR"); }

    void everyContextHasAPageWhoseLinksResolve_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {5200, 5201, 5202, 10201, 10202})
            QTest::newRow(qPrintable(QString::number(id))) << id;
        QTest::newRow("contents") << 0;
    }
    void everyContextHasAPageWhoseLinksResolve()
    {
        QFETCH(int, id);
        const QString page = id ? ContextHelp::PageFor(id) : ContextHelp::ContentsPage();
        QVERIFY2(!page.isEmpty(), "no page beside the program");
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(QStringLiteral("<title>")));
        QVERIFY(!html.contains(QStringLiteral("TODO")));
        static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#:]+)\""));
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            QVERIFY2(QFileInfo(QFileInfo(page).dir(), target).isFile(), qPrintable(page + " -> " + target));
        }
    }

    void theHelpFolderCanBeNamedByTheEnvironment()
    {
        QTemporaryDir dir;
        QFile page(dir.filePath(QStringLiteral("5201.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        qputenv("KVZ_HELP_DIR", dir.path().toUtf8());
        QCOMPARE(ContextHelp::PageFor(5201), QFileInfo(page).absoluteFilePath());
        // Pages not in that folder come from beside the program.
        QVERIFY(ContextHelp::PageFor(5202).endsWith(QStringLiteral("share/kvz/help/5202.html")));
    }

    void aFieldTakesThePageOfTheNearestWindowThatHasOne_data()
    {
        QTest::addColumn<QString>("outer");
        QTest::addColumn<QString>("inner");
        QTest::addColumn<int>("context");
        QTest::newRow("a field of the configuration view") << "5200"
                                                           << "2005" << 5200;
        QTest::newRow("a window with a page of its own") << "2005"
                                                         << "5201" << 5201;
        QTest::newRow("no window with a page: the contents") << "9999"
                                                             << "2005" << 0;
        QTest::newRow("names that are no numbers") << "deviceGroup"
                                                   << "x" << 0;
    }
    void aFieldTakesThePageOfTheNearestWindowThatHasOne()
    {
        QFETCH(QString, outer);
        QFETCH(QString, inner);
        QFETCH(int, context);
        QWidget window;
        window.setObjectName(outer);
        auto *field = new QLineEdit(&window);
        field->setObjectName(inner);
        QCOMPARE(ContextHelp::ContextFor(field), context);
    }

    void f1OpensThePageOfTheFocusedViewAndContentsTheIndex()
    {
        UrlCatcher catcher;
        FrameFixture f;
        f.Open();
        f.Frame().Tick();
        QApplication::setActiveWindow(&f.Frame());
        auto *name = f.Find<QLineEdit>(QStringLiteral("2005"));
        QVERIFY(name);
        name->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return name->hasFocus(); }));
        QTest::keyClick(name, Qt::Key_F1);
        QCOMPARE(catcher.LastPage(), QStringLiteral("5200.html"));
        for (QAction *action : f.Frame().findChildren<QAction *>())
            if (action->text() == QStringLiteral("&Contents"))
                action->trigger();
        QCOMPARE(catcher.LastPage(), QStringLiteral("index.html"));
    }

    void withoutAViewerF1ShowsThePageInTheConfiguratorItself()
    {
        // No URL handler here (the offscreen platform opens no URL): the configurator shows the page.
        FrameFixture f;
        f.Open();
        QApplication::setActiveWindow(&f.Frame());
        auto *name = f.Find<QLineEdit>(QStringLiteral("2005"));
        name->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return name->hasFocus(); }));
        QTest::keyClick(name, Qt::Key_F1);
        auto *viewer = f.Frame().findChild<QTextBrowser *>(QStringLiteral("helpViewer"));
        QVERIFY(viewer != nullptr);
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->isWindow());
        QCOMPARE(QFileInfo(viewer->source().toLocalFile()).fileName(), QStringLiteral("5200.html"));
        QCOMPARE(viewer->windowTitle(), viewer->documentTitle());
        QVERIFY(!viewer->documentTitle().isEmpty());
        QVERIFY(viewer->toPlainText().contains(QStringLiteral("Device")));

        // Help > Contents reuses the window; a dialog's F1 opens a viewer the dialog does not block.
        for (QAction *action : f.Frame().findChildren<QAction *>())
            if (action->text() == QStringLiteral("&Contents"))
                action->trigger();
        QCOMPARE(f.Frame().findChildren<QTextBrowser *>(QStringLiteral("helpViewer")).size(), 1);
        QCOMPARE(QFileInfo(viewer->source().toLocalFile()).fileName(), QStringLiteral("index.html"));
        CDevNameDlg dialog(&f.Frame());
        ModalDriver::RunModal(dialog, [&](QDialog &open) {
            ModalDriver::Press(Qt::Key_F1);
            auto *inDialog = open.findChild<QTextBrowser *>(QStringLiteral("helpViewer"));
            QVERIFY(inDialog != nullptr);
            QCOMPARE(QFileInfo(inDialog->source().toLocalFile()).fileName(), QStringLiteral("10201.html"));
            inDialog->close();
        });
    }

    void f1InADialogOpensTheDialogsPage()
    {
        UrlCatcher catcher;
        CDevNameDlg dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("10118"));
        QVERIFY(name);
        name->setFocus();
        QVERIFY(QTest::qWaitFor([&] { return name->hasFocus(); }));
        QTest::keyClick(name, Qt::Key_F1);
        QCOMPARE(catcher.LastPage(), QStringLiteral("10201.html"));
    }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
