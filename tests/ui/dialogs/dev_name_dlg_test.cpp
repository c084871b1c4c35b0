// The add-device dialog: the name field takes at most 11 characters, upper-cased as typed; OK refuses
// names with other characters than capitals, digits, '_' and '-' and names any device already has.
#include "modal_driver.h"
#include "scripted_ui.h"
#include "test_config.h"

#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "model/string_table.h"
#include "ui/dialogs/dev_name_dlg.h"

#include <QLineEdit>
#include <QtTest>
#include <memory>

using namespace ModalDriver;

namespace
{
const QString kName = QStringLiteral("10118");
const QString kOk = QStringLiteral("1");
const QString kCancel = QStringLiteral("2");
} // namespace

class DevNameDlgTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedUi> ui;
    std::unique_ptr<TestConfig> config;

    int Run(const std::string &proposed, const std::function<void(QDialog &)> &script,
            std::string *name = nullptr)
    {
        CDevNameDlg dialog;
        dialog.SetName(proposed);
        const int result = RunModal(dialog, script);
        if (name != nullptr)
            *name = dialog.Name();
        return result;
    }

private slots:
    void init()
    {
        ui = std::make_unique<ScriptedUi>();
        config = std::make_unique<TestConfig>();
        auto *first = config->AddChannel();
        config->AddDevice(first, kPlcS7_300, "D11");
        auto *second = config->AddChannel();
        config->AddDevice(second, kPlcS7_300, "PRESS_2");
    }
    void cleanup()
    {
        config.reset();
        ui.reset();
    }

    void showsTheProposedNameSelected()
    {
        Run("D12", [](QDialog &d) {
            QCOMPARE(d.objectName(), QStringLiteral("10201"));
            QCOMPARE(d.windowTitle(), QStringLiteral("Add Device"));
            QCOMPARE(FocusName(), kName);
            QCOMPARE(SelectedText(d, kName), QStringLiteral("D12"));
            SaveSnapshot(d, QStringLiteral("dev_name_dlg"));
        });
    }

    void okAcceptsOnlyANewNameOfTheAllowedCharacters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message"); // 0: accepted
        QTest::addColumn<QString>("name");
        QTest::newRow("capitals, digits, - and _") << "LINE_3-B" << 0 << "LINE_3-B";
        QTest::newRow("typed in lower case") << "oven7" << 0 << "OVEN7";
        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("full stop") << "A.B" << int(IDS_DEVICE_NAME_CHARACTERS) << "A.B";
        QTest::newRow("blank") << "A B" << int(IDS_DEVICE_NAME_CHARACTERS) << "A B";
        QTest::newRow("a name on another channel") << "press_2" << int(IDS_DEVICE_NAME_EXISTS) << "PRESS_2";
        QTest::newRow("a name on this channel") << "D11" << int(IDS_DEVICE_NAME_EXISTS) << "D11";
    }
    void okAcceptsOnlyANewNameOfTheAllowedCharacters()
    {
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, name);
        std::string stored;
        const int result = Run(
            "D12",
            [&](QDialog &d) {
                TypeInto(d, kName, typed);
                Click(d, kOk);
                if (message != 0) {
                    QCOMPARE(ui->Ids(), std::vector<int>{message});
                    QCOMPARE(FocusName(), kName);
                    QCOMPARE(SelectedText(d, kName), name);
                }
            },
            &stored);
        QCOMPARE(result, message == 0 ? int(QDialog::Accepted) : kLeftOpen);
        if (message == 0) {
            QVERIFY(ui->Ids().empty());
            QCOMPARE(QString::fromStdString(stored), name);
        }
    }

    void elevenCharactersIsTheLongestName()
    {
        std::string stored;
        Run(
            "",
            [&](QDialog &d) {
                TypeInto(d, kName, QStringLiteral("ABCDEFGHIJKLMN"));
                QCOMPARE(Control<QLineEdit>(d, kName)->text(), QStringLiteral("ABCDEFGHIJK"));
                Click(d, kOk);
            },
            &stored);
        QCOMPARE(stored, std::string("ABCDEFGHIJK"));
    }

    void enterInTheFieldIsOk()
    {
        std::string stored;
        const int result = Run(
            "D12",
            [&](QDialog &d) {
                TypeInto(d, kName, QStringLiteral("A.B"));
                Press(Qt::Key_Return);
                QCOMPARE(ui->Ids(), std::vector<int>{IDS_DEVICE_NAME_CHARACTERS});
                QVERIFY(d.isVisible());
                TypeInto(d, kName, QStringLiteral("AB"));
                Press(Qt::Key_Return);
            },
            &stored);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(stored, std::string("AB"));
    }

    void cancelAndEscCloseWithoutAName_data()
    {
        QTest::addColumn<bool>("esc");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Esc in the field") << true;
    }
    void cancelAndEscCloseWithoutAName()
    {
        QFETCH(bool, esc);
        const int result = Run("D12", [&](QDialog &d) {
            TypeInto(d, kName, QStringLiteral("A.B"));
            esc ? Press(Qt::Key_Escape) : Click(d, kCancel);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(ui->Ids().empty());
    }
};

QTEST_MAIN(DevNameDlgTest)
#include "dev_name_dlg_test.moc"
