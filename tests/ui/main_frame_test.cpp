// The main frame's tick (clock, title, statistics, live rows) and its close with the exit dialog.
#include "frame_fixture.h"
#include "modal_driver.h"
#include "model/channel.h"
#include "model/drv_specific_device.h"
#include "ui/views/cfg_dlg.h"
#include "ui/views/iorec_list_model.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QToolBar>
#include <QtTest>

class MainFrameTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FrameFixture> f;

private slots:
    void init() { f = std::make_unique<FrameFixture>(); }
    void cleanup() { f.reset(); }

    void theTickShowsClockTitleAndThePollsPerSecondAcrossAWrap()
    {
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Doc().SetPathName("/plant/LINE 1.KVZ");
        f->image.channels = 1;
        f->now = 15 * 3600 + 7 * 60; // 15:07 UTC
        ::setenv("TZ", "UTC", 1);
        tzset();
        f->Open();
        f->image.SetCounts(65535, 10);
        f->Frame().Tick();
        QCOMPARE(f->Frame().ClockPaneText(), QStringLiteral("03:07 PM"));
        QCOMPARE(f->Frame().windowTitle(), QStringLiteral("Brennic Plant Link - /plant/LINE 1.KVZ"));
        f->image.SetCounts(4, 12);
        f->Frame().Tick();
        QCOMPARE(f->Frame().MessagePaneText(), QStringLiteral("TX=4 RX=12 Polls/Sec=5"));
    }

    void withoutADriverThePaneKeepsItsTextWhileClockAndTitleMove()
    {
        f->Open();
        f->image.channels = 0;
        f->Frame().Tick();
        QCOMPARE(f->Frame().MessagePaneText(),
                 QStringLiteral("For Help, choose a command from the Help Menu"));
        f->now = 12 * 3600;
        f->Frame().Tick();
        QCOMPARE(f->Frame().ClockPaneText(), QStringLiteral("12:00 PM"));
        // The statistics stay off even when a driver appears later.
        f->image.channels = 1;
        f->image.SetCounts(10, 10);
        f->Frame().Tick();
        QCOMPARE(f->Frame().MessagePaneText(),
                 QStringLiteral("For Help, choose a command from the Help Menu"));
        f->Doc().SetPathName("/b.KVZ");
        f->Frame().Tick();
        QCOMPARE(f->Frame().windowTitle(), QStringLiteral("Brennic Plant Link - /b.KVZ"));
    }

    void liveRowsFollowTheDriversStatusWords()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 3);
        // Records have their image index once the configuration was saved and loaded by the driver.
        for (size_t i = 0; i < d->IORecCount(); ++i)
            d->IORecs()[i]->SetRecordNumberValue(static_cast<int16_t>(i));
        f->Open();
        IORecListModel *rows = f->Frame().ConfigView()->PollRecordRows();
        QCOMPARE(rows->StateImage(0), 4); // no driver: no live status
        f->live.count = 3;
        f->live.words = {{0, 0}, {1, 4293}, {2, 4297}};
        f->Frame().Tick();
        QCOMPARE(rows->StateImage(0), 1);
        QCOMPARE(rows->StateImage(1), 2);
        QCOMPARE(rows->StateImage(2), 3);
        f->live.words[1] = 0;
        f->Frame().Tick();
        QCOMPARE(rows->StateImage(1), 1);
    }

    void viewToolbarHidesTheMainToolbarButNeverTheChannelToolbar()
    {
        f->Open();
        auto *main = f->Find<QToolBar>(QStringLiteral("59392"));
        auto *channels = f->Find<QToolBar>(QStringLiteral("5300"));
        QAction *toggle = f->Frame().Command(59392);
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(!main->isVisible());
        QVERIFY(channels->isVisible());
        // No right-click menu of toolbars that could hide it either.
        QVERIFY(f->Frame().createPopupMenu() == nullptr);
        toggle->trigger();
        QVERIFY(main->isVisible());
    }

    void closingAModifiedConfigurationWithoutPollRecordsAsksNothing()
    {
        f->Open();
        f->Doc().SetModifiedFlag(true);
        QVERIFY(f->Frame().close());
        QVERIFY(f->ui->messages.empty());
        QVERIFY(!f->Frame().TimerRunning());
    }

    void closingWhileTypingInAFieldCommitsItFirstSoTheExitDialogAsks()
    {
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Open();
        auto *description = f->Find<QLineEdit>(QStringLiteral("2006"));
        QTest::mouseClick(description, Qt::LeftButton);
        QTest::keyClicks(description, QStringLiteral("Kiln 4"));
        bool asked = false;
        ModalDriver::RunWhenModal([&](QDialog *dialog) {
            asked = dialog->objectName() == QStringLiteral("10202");
            ModalDriver::Click(*dialog, QStringLiteral("2"));
        });
        QVERIFY(!f->Frame().close());
        QVERIFY(asked);
        QVERIFY(f->Doc().IsModified());
    }

    void closingASavedButNotReloadedConfigurationShowsTheExitDialog()
    {
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Open();
        f->Doc().m_bReloadPending = 1;
        bool save = true, reload = false;
        ModalDriver::RunWhenModal([&](QDialog *dialog) {
            save = dialog->findChild<QCheckBox *>(QStringLiteral("10129"))->isChecked();
            reload = dialog->findChild<QCheckBox *>(QStringLiteral("10128"))->isChecked();
            ModalDriver::Click(*dialog, QStringLiteral("2"));
        });
        QVERIFY(!f->Frame().close());
        QVERIFY(!save);
        QVERIFY(reload);
        // Cancel: the window, the document and the timer stay as they were.
        QVERIFY(f->Frame().isVisible());
        QVERIFY(f->Frame().TimerRunning());
        QCOMPARE(f->Doc().m_bReloadPending, 1);
    }

    void aSaveThatFailsInTheExitDialogKeepsTheWindowAndTheEdits()
    {
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Open();
        f->Doc().SetModifiedFlag(true); // untitled: Save asks for a name, the test cancels it
        ModalDriver::RunWhenModal([](QDialog *dialog) { ModalDriver::Click(*dialog, QStringLiteral("1")); });
        QVERIFY(!f->Frame().close());
        QVERIFY(f->Doc().IsModified());
        QVERIFY(f->Frame().TimerRunning());
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
