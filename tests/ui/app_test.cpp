// Start-up and exit of the configurator: the startup file, the registration with the driver, the hand
// over to a running copy, and what exit writes.
#include "document/did_doc.h"
#include "gui_env.h"
#include "modal_driver.h"
#include "model/channel.h"
#include "model/device.h"
#include "niolib/niolib.h"
#include "platform/driver_identity.h"
#include "platform/registry.h"
#include "scripted_ui.h"
#include "ui/app/about_dlg.h"
#include "ui/app/did_app.h"
#include "ui/frame/main_frame.h"
#include "ui/views/cfg_dlg.h"
#include "ui/views/iorec_list_model.h"

#include <QLabel>
#include <QProcess>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// A process id that no process has: a child that has already been reaped.
uint32_t DeadPid()
{
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return static_cast<uint32_t>(child);
}

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<GuiEnv> env;
    ScriptedUi *ui = nullptr;
    std::unique_ptr<CDidApp> app;
    std::string plant;

    void Start()
    {
        auto owned = std::make_unique<ScriptedUi>();
        ui = owned.get();
        app = std::make_unique<CDidApp>(std::move(owned));
        QVERIFY(app->InitInstance());
    }
    void Exit()
    {
        app->MainFrame()->close();
        app->ExitInstance(0);
        app.reset();
    }

private slots:
    void init()
    {
        env = std::make_unique<GuiEnv>();
        env->RegisterSpoll();
        // The driver needs an image to hold the registration: the demo plant.
        plant = env->ConvertCsv("demo/DEMO.csv", "DEMO.KVZ");
        QVERIFY(!plant.empty());
        env->RegisterConfigFile(plant);
    }
    void cleanup()
    {
        if (app)
            Exit();
        env.reset();
    }

    void theStartupFileIsOpenedAndTheWindowRegistered()
    {
        Start();
        QVERIFY2(ui->messages.empty(), ui->messages.empty() ? "" : ui->messages.front().text.c_str());
        QCOMPARE(app->Document()->GetPathName(), plant);
        QCOMPARE(app->MainFrame()->windowTitle(), QString::fromStdString("Brennic Plant Link - " + plant));
        QCOMPARE(nio_get_owner_window(), static_cast<uint32_t>(::getpid()));
        QVERIFY(app->MainFrame()->isVisible());
    }

    void thePollRecordRowsAndTheStatisticsFollowTheRunningDriver()
    {
        Start();
        CMainFrame *frame = app->MainFrame();
        IORecListModel *rows = frame->ConfigView()->PollRecordRows();
        QVERIFY(rows->rowCount() > 0);
        // The stand-in driver leaves each record's tag in its status word: "not polled yet".
        QVERIFY(GuiEnv::WaitFor([&] {
            frame->Tick();
            return rows->StateImage(0) == 3;
        }));
        // Two ticks apart its counters have moved.
        frame->Tick();
        QVERIFY(GuiEnv::WaitFor([&] {
            frame->Tick();
            return frame->MessagePaneText().startsWith(QStringLiteral("TX="));
        }));
        QVERIFY(frame->MessagePaneText().contains(QStringLiteral("Polls/Sec=")));
    }

    void aMissingStartupFileStartsAnEmptyConfigurationWithoutAMessage()
    {
        // The driver keeps the image it loaded; the configurator is pointed at a file that is gone.
        nio_get_owner_window();
        env->RegisterConfigFile(env->Path("GONE.KVZ"));
        Start();
        QVERIFY2(ui->messages.empty(), ui->messages.empty() ? "" : ui->messages.front().text.c_str());
        CDidDoc *doc = app->Document();
        QCOMPARE(doc->GetPathName(), std::string());
        QCOMPARE(doc->m_ChannelList.size(), size_t(1));
        QCOMPARE(doc->m_ChannelList[0]->Devices().front()->GetName(), std::string("D11"));
        QVERIFY(app->MainFrame()->isVisible());
    }

    void aFileGivenAtStartTakesThePlaceOfTheStartupFileForThisStartOnly_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("an existing file is opened") << true;
        QTest::newRow("a missing file starts empty, as a missing startup file does") << false;
    }
    void aFileGivenAtStartTakesThePlaceOfTheStartupFileForThisStartOnly()
    {
        QFETCH(bool, fileExists);
        const std::string other =
            fileExists ? env->ConvertCsv("demo/DEMO.csv", "OTHER.KVZ") : env->Path("GONE.KVZ");
        auto owned = std::make_unique<ScriptedUi>();
        ui = owned.get();
        app = std::make_unique<CDidApp>(std::move(owned));
        app->SetStartupFile(other);
        QVERIFY(app->InitInstance());
        QVERIFY2(ui->messages.empty(), ui->messages.empty() ? "" : ui->messages.front().text.c_str());
        QCOMPARE(app->Document()->GetPathName(), fileExists ? other : std::string());
        // The registry still names the startup file; the next plain start opens that again.
        QCOMPARE(kvz::RegReadString(kvz::Hive::CurrentUser, kvz::ConfigKeyPath(), "ConfigFile"), plant);
        Exit();
        Start();
        QCOMPARE(app->Document()->GetPathName(), plant);
    }

    void exitWithdrawsTheRegistrationAndWritesTheAcronymValue()
    {
        Start();
        Exit();
        QCOMPARE(nio_get_owner_window(), 0u);
        QCOMPARE(kvz::RegReadString(kvz::Hive::CurrentUser, kvz::ProductKeyPath(), "KVZ"),
                 std::string("0000"));
    }

    void aStaleRegistrationDoesNotStopANewStart_data()
    {
        QTest::addColumn<bool>("processExists");
        QTest::newRow("the registered process is gone") << false;
        QTest::newRow("the id is now another program's") << true;
    }
    void aStaleRegistrationDoesNotStopANewStart()
    {
        QFETCH(bool, processExists);
        nio_get_owner_window();
        nio_set_owner_window(processExists ? 1u : DeadPid());
        Start();
        QCOMPARE(nio_get_owner_window(), static_cast<uint32_t>(::getpid()));
    }

    void aSecondCopyHandsOverAndLeavesNothingBehind()
    {
        Start();
        CMainFrame *frame = app->MainFrame();
        frame->move(300, 200);
        frame->showMinimized();
        QCoreApplication::processEvents();
        const auto before = env->Snapshot();

        QProcess second;
        QProcessEnvironment pe = QProcessEnvironment::systemEnvironment();
        pe.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(pe);
        second.start(QString::fromStdString(GuiEnv::Program("KVZdidw")),
                     {QStringLiteral("/some/other/file.KVZ")});
        QVERIFY(second.waitForStarted());
        QVERIFY(GuiEnv::WaitFor([&] { return second.state() == QProcess::NotRunning; }, 15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY(GuiEnv::WaitFor([&] { return frame->pos() == QPoint(0, 0) && !frame->isMinimized(); }));
        QVERIFY(frame->isVisible());
        // The first copy's registration stays; the second wrote no file.
        QCOMPARE(nio_get_owner_window(), static_cast<uint32_t>(::getpid()));
        QCOMPARE(env->Snapshot(), before);
        // The running copy keeps its document: the file given to the second one is not opened.
        QCOMPARE(app->Document()->GetPathName(), plant);
    }

    void theAboutBoxShowsTheVersionLine()
    {
        CAboutDlg about;
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("10119"))->text(),
                 QStringLiteral("Brennic Plant Link (KVZ) V 7.10.58.2"));
        for (const char *gone : {"1007", "1008", "1009", "10125", "10100", "10126"})
            QVERIFY(!about.findChild<QWidget *>(QString::fromLatin1(gone)));
        // The OK button lies outside the box; Enter and Esc close it.
        QWidget *ok = about.findChild<QWidget *>(QStringLiteral("1"));
        about.show();
        QVERIFY(!about.rect().contains(ok->geometry()));
        QTest::keyClick(&about, Qt::Key_Return);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void everyLineOfTheAboutBoxShowsWhole()
    {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        ModalDriver::SaveSnapshot(about, QStringLiteral("about"));
        const QList<QLabel *> labels = about.findChildren<QLabel *>();
        QVERIFY(labels.size() >= 5);
        for (QLabel *label : labels) {
            const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(label->contentsRect().width() >= textWidth, qPrintable(label->text()));
            QVERIFY2(about.rect().contains(label->geometry()), qPrintable(label->text()));
        }
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("makerLine"))->text(),
                 QStringLiteral("support@quillmark.example"));
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
