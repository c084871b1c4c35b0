// The channel communication dialog driven by keyboard and mouse: fields commit to the working copy as
// the focus leaves them, OK writes the copy back only when it differs, and OK, Cancel, Esc and the
// close box act only from their own button.
#include "modal_driver.h"
#include "scripted_ui.h"
#include "test_config.h"

#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/string_table.h"
#include "ui/dialogs/com_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>
#include <memory>

using namespace ModalDriver;

namespace
{

const QString kReplyTimeout = QStringLiteral("2001");
const QString kDelay = QStringLiteral("2002");
const QString kRetries = QStringLiteral("2003");
const QString kProtocol = QStringLiteral("2031");
const QString kAdapter = QStringLiteral("2032");
const QString kOk = QStringLiteral("1");
const QString kCancel = QStringLiteral("2");

} // namespace

class ComDlgTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedUi> ui;
    std::unique_ptr<TestConfig> config;
    CDrvSpecificChannel *channel = nullptr;

    // The dialog for the channel, run with `script`.
    int Run(const std::function<void(QDialog &)> &script)
    {
        CComDlg dialog(&config->doc, 0);
        return RunModal(dialog, script);
    }

private slots:
    void init()
    {
        ui = std::make_unique<ScriptedUi>();
        config = std::make_unique<TestConfig>();
        channel = config->AddChannel();
    }
    void cleanup()
    {
        config.reset();
        ui.reset();
    }

    void showsTheChannelsSettingsUnderItsNumber()
    {
        config->AddChannel();
        auto *second = static_cast<CDrvSpecificChannel *>(config->doc.m_ChannelList[1].get());
        second->SetProtocolIndex(0);
        second->SetEthernetCardText("eth0");
        QVERIFY(second->SetReplyTimeout("2.5", 0) == 0);
        CComDlg dialog(&config->doc, 1);
        RunModal(dialog, [](QDialog &d) {
            QCOMPARE(d.objectName(), QStringLiteral("5201"));
            QCOMPARE(d.windowTitle(), QStringLiteral("Channel 2 Communication Settings"));
            QCOMPARE(FieldText(d, kReplyTimeout), QStringLiteral("2.5"));
            QCOMPARE(FieldText(d, kDelay), QStringLiteral("10.0"));
            QCOMPARE(FieldText(d, kRetries), QStringLiteral("3"));
            QCOMPARE(FieldText(d, kAdapter), QStringLiteral("eth0"));
            auto *protocol = Control<QComboBox>(d, kProtocol);
            QCOMPARE(protocol->count(), 2);
            QCOMPARE(protocol->currentText(), QStringLiteral("ISO Industrial Ethernet"));
            QCOMPARE(FocusName(), kReplyTimeout);
            SaveSnapshot(d, QStringLiteral("com_dlg"));
        });
    }

    void fieldCommitsWhenTheFocusLeavesIt_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message"); // 0: accepted
        QTest::addColumn<QString>("shown");

        QTest::newRow("retries 9") << kRetries << "9" << 0 << "9";
        QTest::newRow("retries 0") << kRetries << "0" << 0 << "0";
        QTest::newRow("retries 10") << kRetries << "10" << int(IDS_INVALID_RETRIES) << "3";
        QTest::newRow("retries -1") << kRetries << "-1" << int(IDS_INVALID_RETRIES) << "3";
        QTest::newRow("reply timeout 1800") << kReplyTimeout << "1800" << 0 << "1800.0";
        QTest::newRow("reply timeout 0.05")
            << kReplyTimeout << "0.05" << int(IDS_INVALID_REPLY_TIMEOUT) << "5.0";
        QTest::newRow("reply timeout text")
            << kReplyTimeout << "soon" << int(IDS_INVALID_REPLY_TIMEOUT) << "5.0";
        QTest::newRow("delay 0") << kDelay << "0" << 0 << "0.0";
        QTest::newRow("delay 3600.5") << kDelay << "3600.5" << int(IDS_INVALID_DELAY) << "10.0";
    }
    void fieldCommitsWhenTheFocusLeavesIt()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, shown);
        const int result = Run([&](QDialog &d) {
            TypeInto(d, field, typed);
            Tab();
            if (message == 0) {
                QVERIFY(ui->Ids().empty());
                QVERIFY(FocusName() != field);
            } else {
                QCOMPARE(ui->Ids(), std::vector<int>{message});
                // Refused: the copy's value is back, focused with its whole text selected.
                QCOMPARE(FocusName(), field);
                QCOMPARE(SelectedText(d, field), shown);
            }
            QCOMPARE(FieldText(d, field), shown);
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        const std::string stored = field == kRetries        ? channel->GetRetriesText()
                                   : field == kReplyTimeout ? channel->GetReplyTimeoutText()
                                                            : channel->GetDelayText();
        QCOMPARE(QString::fromStdString(stored), shown);
        QCOMPARE(config->doc.IsModified(), message == 0);
    }

    void retriesThatAreNoNumberKeepTheFocusAndTheText()
    {
        const int result = Run([&](QDialog &d) {
            TypeInto(d, kRetries, QStringLiteral("x"));
            Click(d, kOk);
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_ENTER_INTEGER});
            QCOMPARE(FocusName(), kRetries);
            QCOMPARE(SelectedText(d, kRetries), QStringLiteral("x"));
        });
        QCOMPARE(result, kLeftOpen);
        QCOMPARE(channel->Primary().retries, uint16_t(3));
    }

    void enterInAFieldNeitherCommitsNorCloses()
    {
        const int result = Run([&](QDialog &d) {
            TypeInto(d, kReplyTimeout, QStringLiteral("0.05"));
            Press(Qt::Key_Return);
            Press(Qt::Key_Enter, Qt::KeypadModifier);
            QVERIFY(d.isVisible());
            QVERIFY(ui->Ids().empty());
            QCOMPARE(FieldText(d, kReplyTimeout), QStringLiteral("0.05"));
            // Leaving the field commits it.
            Tab();
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_INVALID_REPLY_TIMEOUT});
        });
        QCOMPARE(result, kLeftOpen);
    }

    void escAndTheCloseBoxActOnlyFromCancel_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Esc") << false;
        QTest::newRow("close box") << true;
    }
    void escAndTheCloseBoxActOnlyFromCancel()
    {
        QFETCH(bool, closeBox);
        const int result = Run([&](QDialog &d) {
            QCOMPARE(FocusName(), kReplyTimeout);
            closeBox ? CloseBox(d) : Press(Qt::Key_Escape);
            QVERIFY(d.isVisible());
            // Reply timeout, delay, retries, protocol, adapter, OK: the seventh stop is Cancel.
            for (int i = 0; i < 6; ++i)
                Tab();
            QCOMPARE(FocusName(), kCancel);
            closeBox ? CloseBox(d) : Press(Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void okActsOnlyFromTheOkButton()
    {
        const int result = Run([&](QDialog &d) {
            TypeInto(d, kAdapter, QStringLiteral("eth1"));
            // OK reached by the keyboard: Tab onto it, Enter presses it.
            Tab();
            QCOMPARE(FocusName(), kOk);
            Press(Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(channel->GetEthernetCardText(), std::string("eth1"));
    }

    void okWritesTheChannelOnlyWhenSomethingChanged_data()
    {
        QTest::addColumn<QString>("adapter"); // "" leaves the field alone
        QTest::addColumn<int>("protocolRow"); // -1 leaves the protocol alone
        QTest::addColumn<bool>("modified");
        QTest::newRow("nothing changed") << "" << -1 << false;
        QTest::newRow("adapter name only") << "eth1" << -1 << true;
        QTest::newRow("protocol only") << "" << 0 << true;
    }
    void okWritesTheChannelOnlyWhenSomethingChanged()
    {
        QFETCH(QString, adapter);
        QFETCH(int, protocolRow);
        QFETCH(bool, modified);
        const int result = Run([&](QDialog &d) {
            if (!adapter.isEmpty())
                TypeInto(d, kAdapter, adapter);
            if (protocolRow >= 0)
                Choose(d, kProtocol, protocolRow);
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(config->doc.IsModified(), modified);
        QCOMPARE(QString::fromStdString(channel->GetEthernetCardText()), adapter);
        QCOMPARE(channel->GetProtocolText(),
                 std::string(protocolRow == 0 ? "ISO Industrial Ethernet" : "TCP/IP"));
    }

    void cancelAfterAValidChangeLeavesTheChannelAsItWas()
    {
        const int result = Run([&](QDialog &d) {
            TypeInto(d, kReplyTimeout, QStringLiteral("20"));
            Tab();
            QCOMPARE(FieldText(d, kReplyTimeout), QStringLiteral("20.0"));
            TypeInto(d, kAdapter, QStringLiteral("eth1"));
            Click(d, kCancel);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(channel->GetReplyTimeoutText(), std::string("5.0"));
        QCOMPARE(channel->GetEthernetCardText(), std::string());
        QVERIFY(!config->doc.IsModified());
    }

    void aLongAdapterNameIsStoredAsItsFirst64Characters()
    {
        const QString name =
            QStringLiteral("Intel(R) Ethernet Connection I219-LM #2 on the plant floor net A1B2C");
        QCOMPARE(name.size(), 68);
        Run([&](QDialog &d) {
            TypeInto(d, kAdapter, name);
            Click(d, kOk);
        });
        QCOMPARE(QString::fromStdString(channel->GetEthernetCardText()), name.left(64));
    }

    void aRefusalShownInARealBoxIsShownOnceAndTheFieldComesBack()
    {
        bool boxHadTheFocus = false;
        ShowRealBoxes(*ui, [&] {
            QWidget *focus = QApplication::focusWidget();
            boxHadTheFocus = focus != nullptr && qobject_cast<QMessageBox *>(focus->window()) != nullptr;
        });
        const int result = Run([&](QDialog &d) {
            TypeInto(d, kReplyTimeout, QStringLiteral("0.05"));
            // The click moves the focus to the delay field; the box then takes it from there.
            Click(d, kDelay);
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_INVALID_REPLY_TIMEOUT});
            QCOMPARE(FocusName(), kReplyTimeout);
            QCOMPARE(SelectedText(d, kReplyTimeout), QStringLiteral("5.0"));
            // OK clicked from the field: the field has nothing new to commit, and OK has the focus.
            Click(d, kOk);
        });
        QVERIFY(boxHadTheFocus);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(ui->Ids().size(), size_t(1));
    }
    // TCP/IP to ISO: the devices whose IPv4 addresses an Ethernet address field cannot hold are named,
    // No leaves everything as it was, Yes gives them the ISO default address the file will hold.
    void aProtocolThatCannotHoldTheAddressesAsksFirst_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void aProtocolThatCannotHoldTheAddressesAsksFirst()
    {
        QFETCH(bool, yes);
        auto *pump = config->AddDevice(channel, kPlcS7_300, "PUMP");
        QCOMPARE(pump->SetAddress("192.168.10.20", 0), 1);
        auto *kiln = config->AddDevice(channel, kPlcS7_300, "KILN");
        QCOMPARE(kiln->SetAddress("10.1.1.7", 0), 1);
        ui->answers.push_back(yes ? kvz::MsgResult::Yes : kvz::MsgResult::No);
        const int result = Run([&](QDialog &d) {
            auto *protocol = Control<QComboBox>(d, kProtocol);
            Choose(d, kProtocol, protocol->findText(QStringLiteral("ISO Industrial Ethernet")));
            Click(d, kOk);
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_PROTOCOL_CHANGE_ADDRESSES});
            const std::string text = ui->Texts().front();
            QVERIFY2(text.find("ISO Industrial Ethernet") != std::string::npos, text.c_str());
            QVERIFY2(text.find("PUMP  192.168.10.20\n\rKILN  10.1.1.7") != std::string::npos, text.c_str());
            if (!yes) {
                // Nothing applied: the channel's protocol is selected again and the dialog stays.
                QVERIFY(d.isVisible());
                QCOMPARE(protocol->currentText(), QStringLiteral("TCP/IP"));
                Click(d, kCancel);
            }
        });
        QCOMPARE(result, yes ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(channel->GetProtocolValue(), yes ? uint16_t(2) : uint16_t(6));
        QCOMPARE(pump->GetAddressText(0), std::string(yes ? "080006010001" : "192.168.10.20"));
        QCOMPARE(kiln->GetAddressText(0), std::string(yes ? "080006010001" : "10.1.1.7"));
        QCOMPARE(config->doc.IsModified(), yes);
    }

    void aProtocolThatHoldsTheAddressesAsksNothing()
    {
        config->AddDevice(channel, kPlcS7_300, "PUMP"); // 192.168.0.1
        const int result = Run([&](QDialog &d) {
            Choose(d, kProtocol, Control<QComboBox>(d, kProtocol)->findText(QStringLiteral("TCP/IP")));
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(ui->Ids().empty());
    }
};

QTEST_MAIN(ComDlgTest)
#include "com_dlg_test.moc"
