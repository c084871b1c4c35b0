// The command states follow the configuration at once: whenever poll records appear in or go from the
// tree (Add, Delete, the poll record dialog, an import, Reload), the toolbar's Save, Save As and Reload
// buttons and their shortcuts do what the new state says, without a menu being opened first.
#include "frame_fixture.h"
#include "modal_driver.h"
#include "model/channel.h"
#include "model/drv_specific_device.h"
#include "model/tree_state.h"
#include "ui/views/cfg_dlg.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace
{

std::string FileBytes(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

} // namespace

class CommandStateTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FrameFixture> f;
    std::string startup_;

    QToolButton *Button(int id)
    {
        auto *toolbar = f->Find<QToolBar>(QStringLiteral("59392"));
        return toolbar ? qobject_cast<QToolButton *>(toolbar->widgetForAction(f->Frame().Command(id)))
                       : nullptr;
    }
    // Save, Save As and Reload as the toolbar shows them: all enabled or all disabled.
    bool FileCommandsLive()
    {
        const bool save = Button(ID_FILE_SAVE)->isEnabled();
        if (Button(ID_FILE_SAVE_AS)->isEnabled() != save || Button(ID_RELOAD)->isEnabled() != save)
            qWarning("Save, Save As and Reload disagree");
        return save && Button(ID_FILE_SAVE_AS)->isEnabled() && Button(ID_RELOAD)->isEnabled();
    }
    // A key pressed where the focus is, as the user presses it.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        // The window has the focus again once a dialog or box has closed, as the window manager gives it.
        QApplication::setActiveWindow(&f->Frame());
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f->Frame(); }));
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &f->Frame(), static_cast<Qt::Key>(key), modifiers);
    }
    // Every way to save or reload, with the toolbar and the keyboard: none may act.
    void TryEverySaveAndReload()
    {
        Press(Qt::Key_S, Qt::ControlModifier);
        Press(Qt::Key_F11);
        Press(Qt::Key_F12);
        Press(Qt::Key_R, Qt::ControlModifier);
        QTest::mouseClick(Button(ID_FILE_SAVE), Qt::LeftButton);
        QTest::mouseClick(Button(ID_FILE_SAVE_AS), Qt::LeftButton);
        QTest::mouseClick(Button(ID_RELOAD), Qt::LeftButton);
    }
    // The startup file written from a configuration with one device holding `records` poll records.
    void SaveStartupFile(int records)
    {
        f->AddDevice(f->AddChannel(), "PLC1", records);
        f->Doc().WriteConfigFile(startup_);
        QVERIFY(!FileBytes(startup_).empty());
        QCOMPARE(f->Doc().GetPathName(), startup_);
        QVERIFY(!f->Doc().IsModified());
    }

private slots:
    void init()
    {
        f = std::make_unique<FrameFixture>();
        startup_ = f->env.Path("PLANT.KVZ");
        f->env.RegisterConfigFile(startup_);
    }
    void cleanup() { f.reset(); }

    void deletingTheLastRecordsDevicePutsSaveOutOfReachAndTheStartupFileStays()
    {
        SaveStartupFile(1);
        f->Open();
        QVERIFY(FileCommandsLive());
        // The shortcut works while there is something to save.
        f->Doc().SetModifiedFlag();
        Press(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!f->Doc().IsModified());
        const std::string saved = FileBytes(startup_);

        f->ui->answers = {kvz::MsgResult::Yes};
        QTest::mouseClick(f->Find<QPushButton>(QStringLiteral("2020")), Qt::LeftButton);
        QCOMPARE(GetPollRecordCount(), uint16_t(0));
        QVERIFY(f->Doc().IsModified());
        QVERIFY(!FileCommandsLive());
        f->ui->Clear();
        TryEverySaveAndReload();
        QCOMPARE(FileBytes(startup_), saved);
        QCOMPARE(f->ui->fileDialogs, 0);
        QVERIFY(f->ui->messages.empty()); // not even "Driver not Started Not Started!"
    }

    void addingTheFirstDeviceMakesCtrlSSaveAtOnce()
    {
        SaveStartupFile(0); // a channel and nothing to poll: the file holds no device
        const std::string empty = FileBytes(startup_);
        f->Open();
        QVERIFY(!FileCommandsLive());
        TryEverySaveAndReload();
        QCOMPARE(FileBytes(startup_), empty);

        ModalDriver::RunWhenModal([](QDialog *dialog) { ModalDriver::Click(*dialog, QStringLiteral("1")); });
        QTest::mouseClick(f->Find<QPushButton>(QStringLiteral("2019")), Qt::LeftButton);
        QCOMPARE(GetPollRecordCount(), uint16_t(1));
        QVERIFY(FileCommandsLive());
        f->ui->Clear();
        Press(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(f->ui->messages.empty());
        QCOMPARE(f->ui->fileDialogs, 0);
        QVERIFY(FileBytes(startup_) != empty);
        QVERIFY(!f->Doc().IsModified());
    }

    void thePollRecordDialogsFirstRecordEnablesSaveAndACancelledOneDisablesIt()
    {
        SaveStartupFile(0);
        const std::string empty = FileBytes(startup_);
        f->Open();
        QTableView *list = f->Find<QTableView>(QStringLiteral("5010"));
        bool liveInDialog = false;

        // Cancel: the record the double click made for the dialog goes again, and so does Save.
        ModalDriver::RunWhenModal([&](QDialog *dialog) {
            liveInDialog = FileCommandsLive();
            ModalDriver::Click(*dialog, QStringLiteral("2"));
        });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
        QVERIFY(liveInDialog); // 0 -> 1 while the dialog is open
        QCOMPARE(GetPollRecordCount(), uint16_t(0));
        QVERIFY(!FileCommandsLive());
        TryEverySaveAndReload();
        QCOMPARE(FileBytes(startup_), empty);

        // OK with a start address: one record, and Ctrl+S writes it.
        ModalDriver::RunWhenModal([](QDialog *dialog) {
            ModalDriver::TypeInto(*dialog, QStringLiteral("2011"), QStringLiteral("DB2,B0"));
            ModalDriver::Click(*dialog, QStringLiteral("1"));
        });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
        QCOMPARE(GetPollRecordCount(), uint16_t(1));
        QVERIFY(FileCommandsLive());
        Press(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(FileBytes(startup_) != empty);
        QVERIFY(!f->Doc().IsModified());
    }

    void anImportBringsSaveAndAnImportWithoutRecordsTakesItAway()
    {
        f->Open();
        QVERIFY(!FileCommandsLive());

        const std::string demo = std::string(qgetenv("KVZ_TEST_SOURCE_DIR").constData()) + "/demo/DEMO.csv";
        f->ui->files = {demo};
        Press(Qt::Key_O, Qt::ControlModifier);
        QVERIFY(GetPollRecordCount() > 0);
        QVERIFY(FileCommandsLive());
        // The imported configuration is untitled: Ctrl+S asks for a name (the test gives none).
        f->ui->Clear();
        f->ui->fileDialogs = 0;
        Press(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f->ui->fileDialogs, 1);

        // The channels and devices of the demo without its poll records.
        QFile in(QString::fromStdString(demo));
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(in.readAll());
        const std::string devicesOnly = f->env.Path("DEVICES.CSV");
        QFile out(QString::fromStdString(devicesOnly));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text.left(text.indexOf(QStringLiteral("!IOREC"))).toUtf8());
        out.close();
        f->ui->files = {devicesOnly};
        f->ui->answers = {kvz::MsgResult::No}; // the imported changes are dropped
        Press(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(GetPollRecordCount(), uint16_t(0));
        QVERIFY(!FileCommandsLive());
        f->ui->Clear();
        f->ui->fileDialogs = 0;
        TryEverySaveAndReload();
        QCOMPARE(f->ui->fileDialogs, 0);
        QVERIFY(f->ui->messages.empty());
    }

    void aReloadThatRereadsAFileWithoutRecordsDisablesSave()
    {
        SaveStartupFile(0);
        const std::string empty = FileBytes(startup_);
        // An edit in memory only: a device with a record the file does not hold (the save pruned
        // the empty device and channel from the tree).
        f->AddDevice(f->AddChannel(), "PLC2", 1);
        f->Doc().SetModifiedFlag();
        f->Open();
        QVERIFY(FileCommandsLive());

        f->ui->answers = {kvz::MsgResult::No}; // drop the edit: the driver gets the file as it is
        Press(Qt::Key_R, Qt::ControlModifier);
        QVERIFY(!f->ui->messages.empty());
        QCOMPARE(f->ui->messages.front().id, 10304);
        QCOMPARE(GetPollRecordCount(), uint16_t(0));
        QVERIFY(!FileCommandsLive());
        f->ui->Clear();
        TryEverySaveAndReload();
        QCOMPARE(FileBytes(startup_), empty);
        QVERIFY(f->ui->messages.empty());
    }

    void theOptionChecksFollowTheChannelShown()
    {
        CChannel &one = f->AddChannel();
        f->AddDevice(one, "PLC1", 1);
        CChannel &two = f->AddChannel();
        f->AddDevice(two, "PLC2", 1);
        two.SetLearnAddresses(true);
        f->Open();
        QAction *learn = f->Frame().Command(ID_LEARN_ADDRESSES);
        QVERIFY(!learn->isChecked());
        f->Frame().Command(10602)->trigger();
        QVERIFY(learn->isChecked());
        learn->trigger();
        QVERIFY(!two.GetLearnAddresses());
        QVERIFY(!learn->isChecked());
        QVERIFY(f->Doc().IsModified());
    }
};

QTEST_MAIN(CommandStateTest)
#include "command_state_test.moc"
