// The poll record dialog driven by keyboard and mouse on an S7 300 device with two records, M0..M9
// and M20..M29 (and on S5 and TI devices where the family matters): fields commit to the working copy
// as the focus leaves them, OK writes the copy back (or appends the record New started), Cancel drops
// it, Delete empties the record for the view to remove.
#include "modal_driver.h"
#include "scripted_ui.h"
#include "test_config.h"

#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_defaults.h"
#include "model/iorec_fields.h"
#include "model/string_table.h"
#include "platform/registry.h"
#include "temp_dir.h"
#include "ui/dialogs/iorec_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <memory>

using namespace ModalDriver;

namespace
{

const QString kStart = QStringLiteral("2011");
const QString kEnd = QStringLiteral("2012");
const QString kLength = QStringLiteral("2013");
const QString kDataType = QStringLiteral("2014");
const QString kPollTime = QStringLiteral("2015");
const QString kAccessTime = QStringLiteral("2016");
const QString kException = QStringLiteral("2017");
const QString kDeadBand = QStringLiteral("2018");
const QString kDeadBandLabel = QStringLiteral("2021");
const QString kOk = QStringLiteral("1");
const QString kCancel = QStringLiteral("2");
const QString kNew = QStringLiteral("2029");
const QString kDelete = QStringLiteral("2030");

QStringList Items(QWidget &dialog, const QString &name)
{
    QStringList items;
    if (auto *combo = Control<QComboBox>(dialog, name))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    return items;
}

bool Enabled(QWidget &dialog, const QString &name)
{
    QWidget *control = Control(dialog, name);
    return control != nullptr && control->isEnabled();
}

QString Q(const std::string &s)
{
    return QString::fromStdString(s);
}

} // namespace

class IORecDlgTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptedUi> ui;
    std::unique_ptr<TestConfig> config;
    CDrvSpecificChannel *channel = nullptr;
    CDrvSpecificDevice *device = nullptr;
    CDrvSpecificIORec *first = nullptr;  // M0..M9
    CDrvSpecificIORec *second = nullptr; // M20..M29
    bool newRecordFlag = false;

    // Opens the dialog on `record` (made the device's current poll record), as the view does.
    int Open(CIORec *record, const std::function<void(QDialog &)> &script)
    {
        record->GetDevice()->SetCurrentIORec(record);
        CIORecDlg dialog(&config->doc);
        const int result = RunModal(dialog, script);
        newRecordFlag = dialog.NewRecordFlag();
        return result;
    }
    // A record just created for a double click below the last row.
    CIORec *AppendBlankRecord(CDevice *on) { return on->AddIORec(NewPollRecordFor(on)); }

private slots:
    void init()
    {
        ui = std::make_unique<ScriptedUi>();
        config = std::make_unique<TestConfig>();
        channel = config->AddChannel();
        device = config->AddDevice(channel, kPlcS7_300, "PLC1");
        first = config->AddRecord(device, "M0", "10");
        second = config->AddRecord(device, "M20", "10");
        newRecordFlag = false;
    }
    void cleanup()
    {
        config.reset();
        ui.reset();
    }

    void showsTheRecordWithTheFamilysVocabulary_data()
    {
        QTest::addColumn<int>("plcType");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("dataTypes");
        QTest::addColumn<QStringList>("exceptions");
        const QStringList all{"Disabled", "Analog", "Digital", "ASCII"};
        QTest::newRow("S5") << int(kPlcS5) << "DB:3:100"
                            << "DB:3:109" << QStringList{"Word  (KF/KM)"} << all;
        QTest::newRow("S7") << int(kPlcS7_400) << "DB010,B0020"
                            << "DB010,B0029" << QStringList{"Byte"} << QStringList{"Disabled"};
        QTest::newRow("TI") << int(kPlcTi) << "V:100"
                            << "V:109" << QStringList{"Signed", "1Long", "1Float", "Bit"} << all;
    }
    void showsTheRecordWithTheFamilysVocabulary()
    {
        QFETCH(int, plcType);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QStringList, dataTypes);
        QFETCH(QStringList, exceptions);
        auto *plc = config->AddDevice(channel, static_cast<uint16_t>(plcType), "PLC2");
        CIORec *record = config->AddRecord(plc, start.toStdString(), "10");
        Open(record, [&](QDialog &d) {
            QCOMPARE(d.objectName(), QStringLiteral("5202"));
            QCOMPARE(d.windowTitle(), QStringLiteral("Poll Record Edit"));
            QCOMPARE(FieldText(d, kStart), start);
            QCOMPARE(FieldText(d, kEnd), end);
            QCOMPARE(FieldText(d, kLength), QStringLiteral("10"));
            QCOMPARE(FieldText(d, kPollTime), QStringLiteral("1.00"));
            QCOMPARE(FieldText(d, kAccessTime), QStringLiteral("300.0"));
            QCOMPARE(Items(d, kDataType), dataTypes);
            QCOMPARE(Items(d, kException), exceptions);
            QCOMPARE(Control<QComboBox>(d, kException)->currentIndex(), 0);
            QVERIFY(!Enabled(d, kDeadBand));
            QVERIFY(!Enabled(d, kDeadBandLabel));
            QCOMPARE(FocusName(), kStart);
            QCOMPARE(SelectedText(d, kStart), start);
            SaveSnapshot(d, QStringLiteral("iorec_dlg_") + QTest::currentDataTag());
        });
    }

    void timeFieldsTakeWhatTheModelAccepts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message"); // 0: accepted
        QTest::addColumn<QString>("shown");
        QTest::newRow("poll -") << kPollTime << "-" << 0 << "Disabled";
        QTest::newRow("poll d") << kPollTime << "d" << 0 << "Disabled";
        QTest::newRow("poll blank") << kPollTime << "" << 0 << "Disabled";
        QTest::newRow("poll 2.5") << kPollTime << "2.5" << 0 << "2.50";
        QTest::newRow("poll 86400.5") << kPollTime << "86400.5" << int(IDS_INVALID_POLL_TIME) << "1.00";
        QTest::newRow("access D") << kAccessTime << "D" << 0 << "Disabled";
        QTest::newRow("access 12") << kAccessTime << "12" << 0 << "12.0";
        QTest::newRow("access -5") << kAccessTime << "-5" << int(IDS_INVALID_ACCESS_TIME) << "300.0";
    }
    void timeFieldsTakeWhatTheModelAccepts()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, shown);
        const int result = Open(first, [&](QDialog &d) {
            TypeInto(d, field, typed);
            Tab();
            QCOMPARE(FieldText(d, field), shown);
            if (message == 0) {
                QVERIFY(ui->Ids().empty());
            } else {
                QCOMPARE(ui->Ids(), std::vector<int>{message});
                QCOMPARE(FocusName(), field);
                QCOMPARE(SelectedText(d, field), shown);
            }
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        const std::string stored = field == kPollTime ? PollTimeFieldText(first->GetPollTime())
                                                      : AccessTimeFieldText(first->GetAccessTime());
        QCOMPARE(Q(stored), shown);
        QCOMPARE(config->doc.IsModified(), message == 0);
    }

    void theExceptionTypeDecidesTheDeadBand()
    {
        auto *s5 = config->AddDevice(channel, kPlcS5, "PLC5");
        CIORec *record = config->AddRecord(s5, "DB:3:100", "10");
        const int result = Open(record, [&](QDialog &d) {
            Choose(d, kException, 1); // Analog
            QVERIFY(Enabled(d, kDeadBand));
            QVERIFY(Enabled(d, kDeadBandLabel));
            QCOMPARE(FieldText(d, kAccessTime), QStringLiteral("Disabled"));
            SaveSnapshot(d, QStringLiteral("iorec_dlg_analog"));
            TypeInto(d, kDeadBand, QStringLiteral("2.5"));
            Tab();
            QCOMPARE(FieldText(d, kDeadBand), Q(DeadBandFieldText(2.5f)));
            TypeInto(d, kDeadBand, QStringLiteral("-1"));
            Tab();
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_NEGATIVE_DEAD_BAND});
            QCOMPARE(FocusName(), kDeadBand);
            QCOMPARE(FieldText(d, kDeadBand), Q(DeadBandFieldText(2.5f)));

            Choose(d, kException, 0); // Disabled
            QVERIFY(!Enabled(d, kDeadBand));
            QVERIFY(!Enabled(d, kDeadBandLabel));
            QCOMPARE(FieldText(d, kAccessTime), QStringLiteral("300.0"));
            QCOMPARE(FieldText(d, kDeadBand), Q(DeadBandFieldText(0.0f)));
            Choose(d, kException, 2); // Digital: no dead band either
            QVERIFY(!Enabled(d, kDeadBand));
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(record->GetExceptionTypeIndex(), uint16_t(2));
        QCOMPARE(record->GetAccessTime(), kAccessTimeDisabled);
        QCOMPARE(record->GetDeadBand(), 0.0f);
    }

    void theDataTypeShownIsTheOneTheModelKept()
    {
        // A TI record whose memory type has a default data type keeps it whatever is chosen.
        auto *ti = config->AddDevice(channel, kPlcTi, "PLCTI");
        CIORec *record = config->AddRecord(ti, "V:100", "10");
        Open(record, [&](QDialog &d) {
            auto *combo = Control<QComboBox>(d, kDataType);
            QCOMPARE(combo->currentText(), QStringLiteral("Signed"));
            Choose(d, kDataType, 3);
            QCOMPARE(combo->currentText(), QStringLiteral("Signed"));
        });
        QCOMPARE(record->GetDataTypeIndex(), uint16_t(0));
    }

    void addressFieldsGoThroughTheScratchCopy_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message"); // 0: none
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("length");
        // Opened on M20..M29, between M0..M9 and M40..M49.
        QTest::newRow("start accepted") << kStart << "M22" << 0 << kEnd << "M22"
                                        << "8";
        QTest::newRow("start overlaps")
            << kStart << "M5" << int(IDS_ADDRESS_ALREADY_DEFINED) << kStart << "M20"
            << "10";
        QTest::newRow("start not an address") << kStart << "XYZ" << 0 << kStart << "M20"
                                              << "10";
        QTest::newRow("end accepted") << kEnd << "M30" << 0 << kLength << "M20"
                                      << "11";
        QTest::newRow("end overlaps: start focused")
            << kEnd << "M45" << int(IDS_ADDRESS_ALREADY_DEFINED) << kStart << "M20"
            << "10";
        QTest::newRow("end before start") << kEnd << "M9" << int(IDS_START_BEFORE_END) << kEnd << "M20"
                                          << "10";
        QTest::newRow("length accepted") << kLength << "4" << 0 << kDataType << "M20"
                                         << "4";
        QTest::newRow("length over the limit")
            << kLength << "221" << int(IDS_INVALID_LENGTH) << kLength << "M20"
            << "10";
        QTest::newRow("length overlaps: start focused")
            << kLength << "25" << int(IDS_ADDRESS_ALREADY_DEFINED) << kStart << "M20"
            << "10";
    }
    void addressFieldsGoThroughTheScratchCopy()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, focus);
        QFETCH(QString, start);
        QFETCH(QString, length);
        config->AddRecord(device, "M40", "10");
        ShowRealBoxes(*ui);
        Open(second, [&](QDialog &d) {
            TypeInto(d, field, typed);
            Tab();
            if (message != 0)
                QCOMPARE(ui->Ids(), std::vector<int>{message});
            QVERIFY(ui->Ids().size() <= 1);
            QCOMPARE(FocusName(), focus);
            QCOMPARE(FieldText(d, kStart), start);
            QCOMPARE(FieldText(d, kLength), length);
            if (focus == field)
                QCOMPARE(SelectedText(d, field), FieldText(d, field));
        });
        // Marked modified as soon as an address or length text changes, even when refused.
        QVERIFY(config->doc.IsModified());
        // The stored record is untouched until OK.
        QCOMPARE(second->GetAddressText(1), std::string("M20"));
    }

    void anOverlapNamesTheRecordAndTheStartComesBack()
    {
        ShowRealBoxes(*ui);
        const int result = Open(second, [&](QDialog &d) {
            TypeInto(d, kEnd, QStringLiteral("M35"));
            Tab();
            TypeInto(d, kStart, QStringLiteral("M5"));
            Click(d, kPollTime);
            QCOMPARE(FocusName(), kStart);
            QCOMPARE(SelectedText(d, kStart), QStringLiteral("M20"));
            QCOMPARE(FieldText(d, kEnd), QStringLiteral("M35"));
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(ui->Texts(), std::vector<std::string>{"Address already defined in Poll Record 1"});
        QCOMPARE(second->GetAddressText(1), std::string("M20"));
        QCOMPARE(second->GetAddressText(0), std::string("M35"));
    }

    void endAddressOrLengthBeforeAStartAddressAsksForTheStart_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::newRow("end address") << kEnd << "M5";
        QTest::newRow("length") << kLength << "5";
    }
    void endAddressOrLengthBeforeAStartAddressAsksForTheStart()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        CIORec *blank = AppendBlankRecord(device);
        Open(blank, [&](QDialog &d) {
            QCOMPARE(FieldText(d, kStart), QStringLiteral("--Undefined--"));
            TypeInto(d, field, typed);
            Tab();
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_START_ADDRESS_FIRST});
            QCOMPARE(FocusName(), kStart);
            QCOMPARE(FieldText(d, field),
                     field == kLength ? QStringLiteral("0") : QStringLiteral("--Undefined--"));
        });
    }

    void keysInAFieldLeaveTheDialogOpenAndCommitNothing()
    {
        const int result = Open(first, [&](QDialog &d) {
            TypeInto(d, kStart, QStringLiteral("M2"));
            Press(Qt::Key_Return);
            Press(Qt::Key_Escape);
            CloseBox(d);
            QVERIFY(d.isVisible());
            QCOMPARE(FieldText(d, kLength), QStringLiteral("10"));
            Tab();
            QCOMPARE(FieldText(d, kLength), QStringLiteral("8"));
            Click(d, kCancel);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(ui->Ids().empty());
        QCOMPARE(first->GetAddressText(1), std::string("M0"));
        QVERIFY(!newRecordFlag);
    }

    void okWritesTheCopyBackOnlyWhenItDiffers_data()
    {
        QTest::addColumn<QString>("poll"); // "" leaves the field alone
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("modified");
        QTest::newRow("OK, nothing changed") << "" << kOk << "1.00" << false;
        QTest::newRow("OK after a change") << "5" << kOk << "5.00" << true;
        QTest::newRow("Cancel after a change") << "5" << kCancel << "1.00" << false;
    }
    void okWritesTheCopyBackOnlyWhenItDiffers()
    {
        QFETCH(QString, poll);
        QFETCH(QString, button);
        QFETCH(QString, stored);
        QFETCH(bool, modified);
        const int result = Open(first, [&](QDialog &d) {
            if (!poll.isEmpty())
                TypeInto(d, kPollTime, poll);
            Click(d, button);
        });
        QCOMPARE(result, int(button == kOk ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(Q(PollTimeFieldText(first->GetPollTime())), stored);
        QCOMPARE(config->doc.IsModified(), modified);
        QCOMPARE(device->IORecCount(), size_t(2));
    }

    void newOnARecordOfLengthZeroDoesNothing()
    {
        CIORec *blank = AppendBlankRecord(device);
        Open(blank, [&](QDialog &d) {
            TypeInto(d, kPollTime, QStringLiteral("5"));
            Click(d, kNew);
            QCOMPARE(FieldText(d, kPollTime), QStringLiteral("5.00"));
            QCOMPARE(FocusName(), kNew);
        });
        QVERIFY(!newRecordFlag);
        QCOMPARE(device->IORecCount(), size_t(3));
    }

    void newDropsTheEditAndOkAppendsOneRecord()
    {
        const int result = Open(first, [&](QDialog &d) {
            TypeInto(d, kStart, QStringLiteral("M2"));
            TypeInto(d, kPollTime, QStringLiteral("7"));
            Click(d, kNew);
            QCOMPARE(FieldText(d, kStart), QStringLiteral("--Undefined--"));
            QCOMPARE(FieldText(d, kPollTime), QStringLiteral("1.00"));
            QCOMPARE(FocusName(), kStart);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("MW40"));
            Tab();
            QCOMPARE(FieldText(d, kEnd), QStringLiteral("M41"));
            Click(d, kOk);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(newRecordFlag);
        QCOMPARE(device->IORecCount(), size_t(3));
        QCOMPARE(first->GetAddressText(1), std::string("M0"));
        QCOMPARE(first->GetLength(), uint16_t(10));
        QCOMPARE(first->GetPollTime(), 1.0f);
        auto *added = dynamic_cast<CDrvSpecificIORec *>(device->GetCurrentIORec());
        QVERIFY(added != nullptr);
        QCOMPARE(added, dynamic_cast<CDrvSpecificIORec *>(device->IORecs().back().get()));
        QCOMPARE(added->GetAddressText(1), std::string("M40"));
        QCOMPARE(added->GetLength(), uint16_t(2));
        QVERIFY(config->doc.IsModified());
    }

    void aNewRecordMayOverlapNothingStoredIncludingTheOpenedOne()
    {
        Open(first, [&](QDialog &d) {
            Click(d, kNew);
            TypeInto(d, kStart, QStringLiteral("M3"));
            Tab();
            QCOMPARE(ui->Texts(), std::vector<std::string>{"Address already defined in Poll Record 1"});
            QCOMPARE(FieldText(d, kStart), QStringLiteral("--Undefined--"));
        });
    }

    void deleteEmptiesTheRecordForTheView()
    {
        const int result = Open(second, [&](QDialog &d) { Click(d, kDelete); });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(second->GetLength(), uint16_t(0));
        QCOMPARE(device->GetCurrentIORec(), static_cast<CIORec *>(second));
        QVERIFY(config->doc.IsModified());
        QVERIFY(!newRecordFlag);
    }

    void deleteAfterNewDropsOnlyTheNewRecord()
    {
        const int result = Open(second, [&](QDialog &d) {
            Click(d, kNew);
            TypeInto(d, kStart, QStringLiteral("M40"));
            Click(d, kDelete);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!newRecordFlag);
        QCOMPARE(device->IORecCount(), size_t(2));
        QCOMPARE(second->GetLength(), uint16_t(10));
        QCOMPARE(device->GetCurrentIORec(), static_cast<CIORec *>(second));
    }
    // A new record's start at the last byte a 20-bit S7 address holds: the element its size letter
    // names is the record's length, judged once; a refused start is refused with one message and
    // nothing taken.
    void aNewStartIsJudgedWithTheLengthItsLetterGives_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("length"); // "" refused
        QTest::addColumn<QString>("end");
        QTest::newRow("M") << "M1048575"
                           << "1"
                           << "M1048575";
        QTest::newRow("MX") << "MX1048575"
                            << "1"
                            << "M1048575";
        QTest::newRow("MB") << "MB1048575"
                            << "1"
                            << "M1048575";
        QTest::newRow("MW fits") << "MW1048574"
                                 << "2"
                                 << "M1048575";
        QTest::newRow("MW beyond") << "MW1048575"
                                   << ""
                                   << "";
        QTest::newRow("MD fits") << "MD1048572"
                                 << "4"
                                 << "M1048575";
        QTest::newRow("MD beyond") << "MD1048573"
                                   << ""
                                   << "";
        QTest::newRow("QW beyond") << "QW1048575"
                                   << ""
                                   << "";
        QTest::newRow("AW") << "AW1048574"
                            << "2"
                            << "Q1048575";
        QTest::newRow("IW") << "IW1048574"
                            << "2"
                            << "I1048575";
        QTest::newRow("EW") << "EW1048574"
                            << "2"
                            << "I1048575";
        QTest::newRow("PD") << "PD1048572"
                            << "4"
                            << "P1048575";
        QTest::newRow("DBX") << "DB1,DBX1048575"
                             << "1"
                             << "DB001,B1048575";
        QTest::newRow("DBW beyond") << "DB1,DBW1048575"
                                    << ""
                                    << "";
        QTest::newRow("DBD fits") << "DB1,DBD1048572"
                                  << "4"
                                  << "DB001,B1048575";
        QTest::newRow("MW 65535") << "MW65535"
                                  << "2"
                                  << "M65536"; // no 16-bit wrap
    }
    void aNewStartIsJudgedWithTheLengthItsLetterGives()
    {
        QFETCH(QString, typed);
        QFETCH(QString, length);
        QFETCH(QString, end);
        CIORec *blank = AppendBlankRecord(device);
        Open(blank, [&](QDialog &d) {
            TypeInto(d, kStart, typed);
            Tab();
            if (length.isEmpty()) {
                QCOMPARE(ui->Ids(), std::vector<int>{IDS_INVALID_START_ADDRESS});
                QCOMPARE(FocusName(), kStart);
                QCOMPARE(FieldText(d, kStart), QStringLiteral("--Undefined--"));
                QCOMPARE(FieldText(d, kLength), QStringLiteral("0"));
            } else {
                QVERIFY(ui->Ids().empty());
                QCOMPARE(FieldText(d, kLength), length);
                QCOMPARE(FieldText(d, kEnd), end);
            }
            Click(d, kOk);
        });
        QCOMPARE(QString::number(blank->GetLength()), length.isEmpty() ? QStringLiteral("0") : length);
    }

    void anEndInAnotherAreaIsRefusedAndAStartInAnotherAreaTakesItsEnd()
    {
        auto *s5 = config->AddDevice(channel, kPlcS5, "PLC5");
        config->AddRecord(s5, "DB:3:0", "64");
        config->AddRecord(s5, "DB:4:100", "32");
        CIORec *blank = AppendBlankRecord(s5);
        Open(blank, [&](QDialog &d) {
            TypeInto(d, kStart, QStringLiteral("DB:4:0"));
            TypeInto(d, kLength, QStringLiteral("64"));
            TypeInto(d, kEnd, QStringLiteral("DB:3:110"));
            Tab();
            QCOMPARE(ui->Ids(), std::vector<int>{IDS_END_ADDRESS_OUTSIDE_AREA});
            QCOMPARE(FocusName(), kEnd);
            QCOMPARE(FieldText(d, kEnd), QStringLiteral("DB:4:63"));
            Click(d, kOk);
        });
        QCOMPARE(Q(static_cast<CDrvSpecificIORec *>(blank)->GetAddressText(0)), QStringLiteral("DB:4:63"));

        // S7: a DB record whose start becomes a marker byte keeps its length, its end moves along.
        channel->SetCurrentDevice(device);
        CDrvSpecificIORec *db = config->AddRecord(device, "DB1,DBB0", "40");
        ui->Clear();
        Open(db, [&](QDialog &d) {
            TypeInto(d, kStart, QStringLiteral("M30"));
            Tab();
            QVERIFY2(ui->Ids().empty(), ui->Texts().empty() ? "" : ui->Texts().front().c_str());
            QCOMPARE(FieldText(d, kEnd), QStringLiteral("M69"));
            QCOMPARE(FieldText(d, kLength), QStringLiteral("40"));
            Click(d, kOk);
        });
        QCOMPARE(Q(db->GetAddressText(0)), QStringLiteral("M69"));
    }

    // A decimal comma is the user's decimal sign or no number: never cut to what precedes it.
    void timesAndDeadBandAreWholeNumbersInTheUsersDecimalSign_data()
    {
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message"); // 0: accepted
        QTest::addColumn<QString>("shown");
        QTest::newRow("poll, full stop") << "." << kPollTime << "0,5" << int(IDS_INVALID_POLL_TIME) << "1.00";
        QTest::newRow("poll, comma") << "," << kPollTime << "0,5" << 0 << "0.50";
        QTest::newRow("access, full stop")
            << "." << kAccessTime << "2,5" << int(IDS_INVALID_ACCESS_TIME) << "300.0";
        QTest::newRow("access, comma") << "," << kAccessTime << "2,5" << 0 << "2.5";
        QTest::newRow("dead band, full stop") << "." << kDeadBand << "0,5" << int(IDS_ENTER_NUMBER) << "0";
        QTest::newRow("dead band, comma") << "," << kDeadBand << "0,5" << 0 << "0.5";
    }
    void timesAndDeadBandAreWholeNumbersInTheUsersDecimalSign()
    {
        QFETCH(QString, sign);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, message);
        QFETCH(QString, shown);
        kvz::test::ScopedRegistry registry;
        QVERIFY(kvz::RegWriteString(kvz::Hive::CurrentUser, "Control Panel\\International", "sDecimal",
                                    sign.toStdString()));
        auto *s5 = config->AddDevice(channel, kPlcS5, "PLC5");
        CIORec *record = config->AddRecord(s5, "DB:3:0", "10");
        Open(record, [&](QDialog &d) {
            if (field == kDeadBand)
                Choose(d, kException, 1); // Analog
            TypeInto(d, field, typed);
            Tab();
            QCOMPARE(FieldText(d, field), shown);
            QCOMPARE(ui->Ids(), message == 0 ? std::vector<int>{} : std::vector<int>{message});
            Click(d, kOk);
        });
    }
};

QTEST_MAIN(IORecDlgTest)
#include "iorec_dlg_test.moc"
