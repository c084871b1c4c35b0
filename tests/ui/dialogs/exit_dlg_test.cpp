// The exit dialog: which boxes it ticks for the document's state, and OK taking the ticks only from
// the OK button.
#include "modal_driver.h"
#include "scripted_ui.h"
#include "test_config.h"

#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "ui/dialogs/exit_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>
#include <memory>

using namespace ModalDriver;

namespace
{
const QString kSave = QStringLiteral("10129");
const QString kReload = QStringLiteral("10128");
const QString kOk = QStringLiteral("1");
const QString kCancel = QStringLiteral("2");
} // namespace

class ExitDlgTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedUi> ui;
    std::unique_ptr<TestConfig> config;

    void Build(bool withPollRecord)
    {
        auto *channel = config->AddChannel();
        auto *device = config->AddDevice(channel, kPlcS7_300, "D11");
        if (withPollRecord)
            config->AddRecord(device, "M0", "10");
    }

private slots:
    void init()
    {
        ui = std::make_unique<ScriptedUi>();
        config = std::make_unique<TestConfig>();
    }
    void cleanup()
    {
        config.reset();
        ui.reset();
    }

    void ticksWhatIsLeftToDo_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("reloadPending");
        QTest::addColumn<bool>("pollRecords");
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("reload");
        QTest::addColumn<bool>("reloadEnabled");
        QTest::newRow("unsaved changes") << true << false << true << true << true << true;
        QTest::newRow("unsaved changes, reload pending too") << true << true << true << true << true << true;
        QTest::newRow("saved, not reloaded") << false << true << true << false << true << true;
        QTest::newRow("saved and reloaded") << false << false << true << false << false << true;
        QTest::newRow("no poll records") << true << true << false << true << false << false;
    }
    void ticksWhatIsLeftToDo()
    {
        QFETCH(bool, modified);
        QFETCH(bool, reloadPending);
        QFETCH(bool, pollRecords);
        QFETCH(bool, save);
        QFETCH(bool, reload);
        QFETCH(bool, reloadEnabled);
        Build(pollRecords);
        config->doc.SetModifiedFlag(modified);
        config->doc.m_bReloadPending = reloadPending;
        CExitDlg dialog(&config->doc);
        const int result = RunModal(dialog, [&](QDialog &d) {
            QCOMPARE(d.objectName(), QStringLiteral("10202"));
            QCOMPARE(d.windowTitle(), QStringLiteral("I/O Driver Configurator"));
            QCOMPARE(Control<QCheckBox>(d, kSave)->isChecked(), save);
            QCOMPARE(Control<QCheckBox>(d, kReload)->isChecked(), reload);
            QCOMPARE(Control<QCheckBox>(d, kReload)->isEnabled(), reloadEnabled);
            QCOMPARE(FocusName(), kOk);
            SaveSnapshot(d, QStringLiteral("exit_dlg_") + QTest::currentDataTag());
            Press(Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(dialog.SaveFlag(), save);
        QCOMPARE(dialog.ReloadFlag(), reload);
    }

    void okTakesTheTicksOnlyFromTheOkButton()
    {
        Build(true);
        config->doc.SetModifiedFlag(true);
        CExitDlg dialog(&config->doc);
        const int result = RunModal(dialog, [&](QDialog &d) {
            Click(d, kSave); // the box takes the focus
            QVERIFY(!Control<QCheckBox>(d, kSave)->isChecked());
            Press(Qt::Key_Return);
            QVERIFY(d.isVisible());
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(!dialog.SaveFlag());
        QVERIFY(dialog.ReloadFlag());
    }

    void cancelAndEscCloseFromAnywhere_data()
    {
        QTest::addColumn<bool>("esc");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Esc on a box") << true;
    }
    void cancelAndEscCloseFromAnywhere()
    {
        QFETCH(bool, esc);
        Build(true);
        config->doc.SetModifiedFlag(true);
        CExitDlg dialog(&config->doc);
        const int result = RunModal(dialog, [&](QDialog &d) {
            if (esc) {
                Click(d, kReload);
                Press(Qt::Key_Escape);
            } else {
                Click(d, kCancel);
            }
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void theTextIsTheExitQuestion()
    {
        Build(true);
        CExitDlg dialog(&config->doc);
        const auto labels = dialog.findChildren<QLabel *>();
        QCOMPARE(labels.size(), qsizetype(1));
        QCOMPARE(labels.front()->text(),
                 QStringLiteral("The I/O Driver Configurator is now exiting. Select "
                                "options to be performed before configurator closes."));
    }
};

QTEST_MAIN(ExitDlgTest)
#include "exit_dlg_test.moc"
