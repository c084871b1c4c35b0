// The configuration view as a person uses it: channel buttons, the device list, the device's fields
// committed by leaving them, the PLC type, Add and Delete, and the poll record list.
#include "frame_fixture.h"
#include "modal_driver.h"
#include "model/channel.h"
#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_defaults.h"
#include "model/string_table.h"
#include "ui/views/cfg_dlg.h"
#include "ui/views/iorec_list_model.h"
#include "ui/widgets/commit_line_edit.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QtTest>

class CfgViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FrameFixture> f;

    QLineEdit *Edit(const char *id) { return f->Find<QLineEdit>(QString::fromLatin1(id)); }
    QListWidget *Devices() { return f->Find<QListWidget>(QStringLiteral("2004")); }
    CDrvSpecificDevice *Shown() { return f->Frame().ConfigView()->ShownDevice(); }
    // Types `text` into the field (replacing what it holds) and leaves it with Tab.
    void TypeAndLeave(const char *id, const QString &text)
    {
        QLineEdit *edit = Edit(id);
        QTest::mouseClick(edit, Qt::LeftButton);
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    // Picks `text` in the PLC type drop-down as a person does: open it, choose the row.
    void ChoosePlcType(const QString &text)
    {
        auto *combo = f->Find<QComboBox>(QStringLiteral("2024"));
        const int row = combo->findText(text);
        QVERIFY(row >= 0);
        // Open the list, move to the row, take it with Enter: one choice, as a person makes it.
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView *popup = combo->view();
        QVERIFY(GuiEnv::WaitFor([&] { return popup->isVisible(); }));
        popup->setCurrentIndex(combo->model()->index(row, 0));
        QTest::keyClick(popup, Qt::Key_Return);
        QVERIFY(GuiEnv::WaitFor([&] { return !popup->isVisible(); }));
    }

    QTableView *PollList() { return f->Find<QTableView>(QStringLiteral("5010")); }
    // Double-clicks the poll record list at row `row`, or below the last row when it is -1, with
    // `script` run in the dialog that opens.
    void OpenPollRecord(int row, std::function<void(QDialog &)> script)
    {
        QTableView *list = PollList();
        ModalDriver::RunWhenModal([script](QDialog *dialog) { script(*dialog); });
        const int shown = list->model()->rowCount();
        QPoint at;
        if (row >= 0) {
            at = list->visualRect(list->model()->index(row, 1)).center();
        } else {
            const QRect last = list->visualRect(list->model()->index(shown - 1, 1));
            at = QPoint(last.center().x(), last.bottom() + 20);
        }
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    // Start, end and length of every poll record in `kvzcfg dump` of `path`.
    static QStringList DumpedRecords(const std::string &path)
    {
        QProcess dump;
        dump.start(QString::fromStdString(GuiEnv::Program("kvzcfg")),
                   {QStringLiteral("dump"), QString::fromStdString(path)});
        [&] { QVERIFY(dump.waitForFinished(30000)); }();
        QStringList records;
        const QRegularExpression iorec(
            QStringLiteral("iorec \\d+: start=\"([^\"]*)\" end=\"([^\"]*)\" length=\"([^\"]*)\""));
        for (const QString &line : QString::fromUtf8(dump.readAllStandardOutput()).split('\n'))
            if (auto m = iorec.match(line); m.hasMatch())
                records << m.captured(1) + " " + m.captured(2) + " " + m.captured(3);
        return records;
    }
    // Start, end and length as row `row` of the list shows them.
    QString ListedRecord(int row)
    {
        auto *model = PollList()->model();
        return model->index(row, 1).data().toString() + " " + model->index(row, 2).data().toString() + " " +
               model->index(row, 3).data().toString();
    }

private slots:
    void init() { f = std::make_unique<FrameFixture>(); }
    void cleanup() { f.reset(); }

    void aNewDocumentShowsChannelOneWithDeviceD11()
    {
        f->Open();
        QCOMPARE(f->Doc().m_ChannelList.size(), size_t(1));
        QCOMPARE(Devices()->count(), 1);
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("D11"));
        QCOMPARE(Edit("2005")->text(), QStringLiteral("D11"));
        QVERIFY(Edit("2005")->hasFocus());
        QCOMPARE(f->Find<QComboBox>(QStringLiteral("2024"))->count(), 7);
        QCOMPARE(f->Find<QComboBox>(QStringLiteral("2024"))->itemText(0), QStringLiteral("S7 200"));
        QVERIFY(f->ui->messages.empty());
    }

    void channelButtonFiveOnTwoChannelsCreatesChannelsUpToFiveWithD51()
    {
        CChannel &one = f->AddChannel();
        f->AddDevice(one, "PLC1", 1);
        CChannel &two = f->AddChannel();
        f->AddDevice(two, "PLC2", 1);
        f->Open();
        f->Frame().Command(10605)->trigger();
        QCOMPARE(f->Doc().m_ChannelList.size(), size_t(5));
        QCOMPARE(Devices()->count(), 1);
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("D51"));
        QCOMPARE(Edit("2005")->text(), QStringLiteral("D51"));
        QCOMPARE(CurrentChannelIndex(), 4);
        QVERIFY(f->Frame().Command(10605)->isChecked());
        QCOMPARE(f->Doc().m_pCurrentChannel, f->Doc().m_ChannelList[4].get());
        // A name typed and not yet left goes in before the channel changes.
        QTest::mouseClick(Edit("2005"), Qt::LeftButton);
        Edit("2005")->selectAll();
        QTest::keyClicks(Edit("2005"), QStringLiteral("KILN5"));
        f->Frame().Command(10601)->trigger();
        QCOMPARE(f->Doc().m_ChannelList[4]->Devices().front()->GetName(), std::string("KILN5"));
        // Back on channel 2 its own device shows again.
        f->Frame().Command(10602)->trigger();
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("PLC2"));
    }

    void renameRefusals_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("message");
        QTest::newRow("blank") << "A B" << 10457;
        QTest::newRow("full stop") << "A.B" << 10457;
        QTest::newRow("used on another channel") << "OTHER" << 4001;
    }
    void renameRefusals()
    {
        QFETCH(QString, typed);
        QFETCH(int, message);
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->AddDevice(f->AddChannel(), "OTHER", 1);
        f->Open();
        TypeAndLeave("2005", typed);
        QCOMPARE(f->ui->Ids(), std::vector<int>{message});
        QCOMPARE(Edit("2005")->text(), QStringLiteral("PLC1"));
        QVERIFY(Edit("2005")->hasFocus());
        QCOMPARE(Edit("2005")->selectedText(), QStringLiteral("PLC1"));
        QCOMPARE(Shown()->GetName(), std::string("PLC1"));
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("PLC1"));
        QVERIFY(!f->Doc().IsModified());
    }

    void renameIsUpperCasedAndStoredInDeviceAndList()
    {
        f->Open();
        TypeAndLeave("2005", QStringLiteral("pump_1-a"));
        QVERIFY(f->ui->messages.empty());
        QCOMPARE(Shown()->GetName(), std::string("PUMP_1-A"));
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("PUMP_1-A"));
        QVERIFY(f->Doc().IsModified());
        // Eleven characters is all the field takes.
        TypeAndLeave("2005", QStringLiteral("ABCDEFGHIJKLMN"));
        QCOMPARE(Shown()->GetName(), std::string("ABCDEFGHIJK"));
    }

    void whatIsTypedInAFieldIsSavedByCtrlSWithoutLeavingIt()
    {
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        const std::string path = f->env.Path("PLANT.KVZ");
        f->Doc().WriteConfigFile(path);
        f->Open();
        QLineEdit *description = Edit("2006");
        QTest::mouseClick(description, Qt::LeftButton);
        QTest::keyClicks(description, QStringLiteral("Kiln 4"));
        QVERIFY(description->hasFocus());
        QTest::keyClick(description, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(Shown()->GetDescription(), std::string("Kiln 4"));
        QVERIFY(!f->Doc().IsModified()); // saved
        CDidDoc reread;
        reread.OnOpenDocument(path);
        QCOMPARE(reread.m_ChannelList.front()->Devices().front()->GetDescription(), std::string("Kiln 4"));
    }

    void aRefusedConnectionFieldComesBackFocusedAndTheDocumentStaysModified()
    {
        f->Open();
        const QString before = Edit("2007")->text();
        TypeAndLeave("2007", QStringLiteral("300.1.2.3"));
        QCOMPARE(f->ui->Ids().size(), size_t(1));
        QCOMPARE(Edit("2007")->text(), before);
        QVERIFY(Edit("2007")->hasFocus());
        QVERIFY(f->Doc().IsModified());
        // A good address is taken; TSAPs are upper-cased as typed.
        TypeAndLeave("2007", QStringLiteral("127.0.0.1"));
        QCOMPARE(Shown()->GetAddressText(0), std::string("127.0.0.1"));
        TypeAndLeave("2008", QStringLiteral("r=0;s=3"));
        QCOMPARE(Shown()->GetReadTsap(), std::string("R=0;S=3"));
        QCOMPARE(f->ui->Ids().size(), size_t(1));
    }

    void plcTypeS7300ToS7400KeepsRecordsAndTsaps()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 3);
        f->Open();
        ChoosePlcType(QStringLiteral("S7 400"));
        QVERIFY(f->ui->messages.empty());
        QCOMPARE(d->GetPlcTypeText(), std::string("S7 400"));
        QCOMPARE(d->IORecCount(), size_t(3));
        QCOMPARE(d->GetReadTsap(), std::string("R=0;S=2"));
        QVERIFY(f->Doc().IsModified());
    }

    void plcTypeS7300ToS5AsksAndLeavesOneRecord()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 3);
        f->Open();
        // No: nothing changes and the old type is selected again.
        ChoosePlcType(QStringLiteral("S5 Series"));
        QCOMPARE(f->ui->Ids(), std::vector<int>{3003});
        QCOMPARE(d->IORecCount(), size_t(3));
        QCOMPARE(f->Find<QComboBox>(QStringLiteral("2024"))->currentText(), QStringLiteral("S7 300"));
        QVERIFY(!f->Doc().IsModified());

        f->ui->Clear();
        f->ui->answers.push_back(kvz::MsgResult::Yes);
        ChoosePlcType(QStringLiteral("S5 Series"));
        QCOMPARE(f->ui->Ids(), std::vector<int>{3003});
        QCOMPARE(d->IORecCount(), size_t(1));
        auto *record = static_cast<CDrvSpecificIORec *>(d->IORecs().front().get());
        QCOMPARE(record->GetAddressText(1), std::string("ST:0"));
        QCOMPARE(record->GetAddressText(0), std::string("ST:99"));
        QCOMPARE(Edit("2008")->text(), QStringLiteral("READREAD"));
        QCOMPARE(Edit("2009")->text(), QStringLiteral("WRITWRIT"));
        QCOMPARE(f->Frame().ConfigView()->PollRecordRows()->rowCount(), 1);
        QVERIFY(f->Doc().IsModified());
    }

    void addIsEnabledUpTo256DevicesAndNotAt257()
    {
        CChannel &channel = f->AddChannel();
        for (int i = 0; i < 256; ++i)
            f->AddDevice(channel, "P" + std::to_string(i));
        f->Open();
        auto *add = f->Find<QPushButton>(QStringLiteral("2019"));
        QVERIFY(add->isEnabled());
        f->AddDevice(channel, "P256");
        f->Frame().ConfigView()->OnUpdate(1);
        QCOMPARE(Devices()->count(), 257);
        QVERIFY(!add->isEnabled());
    }

    void anUpdateWithHintZeroLeavesTheViewAsItWas()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 2);
        f->Open();
        d->SetName("RENAMED");
        f->Frame().ConfigView()->OnUpdate(0);
        QCOMPARE(Edit("2005")->text(), QStringLiteral("PLC1"));
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("PLC1"));
        f->Frame().ConfigView()->OnUpdate(1);
        QCOMPARE(Devices()->item(0)->text(), QStringLiteral("RENAMED"));
    }

    void deletingADeviceWithRecordsAsksAndTheLastOneIsReplacedByADefault()
    {
        CChannel &channel = f->AddChannel();
        f->AddDevice(channel, "PLC1", 2);
        f->AddDevice(channel, "PLC2", 1);
        f->Open();
        Devices()->setCurrentRow(1);
        QCOMPARE(Shown()->GetName(), std::string("PLC2"));
        auto *del = f->Find<QPushButton>(QStringLiteral("2020"));
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(f->ui->Ids(), std::vector<int>{10300});
        QCOMPARE(channel.DeviceCount(), size_t(2)); // answered No
        f->ui->answers.push_back(kvz::MsgResult::Yes);
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(channel.DeviceCount(), size_t(1));
        QCOMPARE(Shown()->GetName(), std::string("PLC1")); // the row above
        QCOMPARE(Devices()->currentRow(), 0);
        f->ui->answers.push_back(kvz::MsgResult::Yes);
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(channel.DeviceCount(), size_t(1));
        QCOMPARE(Shown()->GetName(), std::string("D11"));
        QCOMPARE(Devices()->count(), 1);
        QVERIFY(f->Doc().IsModified());
    }

    void addDeviceProposesTheDefaultNameAndCreatesTheFirstRecord()
    {
        f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Open();
        QString proposed;
        ModalDriver::RunWhenModal([&](QDialog *dialog) {
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("10118"));
            proposed = name->text();
            name->selectAll();
            QTest::keyClicks(name, QStringLiteral("mixer"));
            ModalDriver::Click(*dialog, QStringLiteral("1"));
        });
        QTest::mouseClick(f->Find<QPushButton>(QStringLiteral("2019")), Qt::LeftButton);
        QCOMPARE(proposed, QStringLiteral("D12"));
        QCOMPARE(Devices()->count(), 2);
        QCOMPARE(Devices()->currentItem()->text(), QStringLiteral("MIXER"));
        QCOMPARE(Shown()->GetName(), std::string("MIXER"));
        QCOMPARE(Shown()->IORecCount(), size_t(1));
        auto *record = static_cast<CDrvSpecificIORec *>(Shown()->IORecs().front().get());
        CDrvSpecificIORec expected;
        expected.SetDevice(Shown());
        expected.ParseAddress("ST0", 1);
        expected.ParseAddress("ST199", 0);
        QCOMPARE(record->GetStartAddress(), expected.GetStartAddress());
        QCOMPARE(record->GetEndAddress(), expected.GetEndAddress());
        QCOMPARE(record->GetLength(), uint16_t(200));
        QVERIFY(f->Doc().IsModified());

        // Cancel drops the new device again.
        ModalDriver::RunWhenModal([](QDialog *dialog) { ModalDriver::Click(*dialog, QStringLiteral("2")); });
        QTest::mouseClick(f->Find<QPushButton>(QStringLiteral("2019")), Qt::LeftButton);
        QCOMPARE(Devices()->count(), 2);
        QCOMPARE(f->Doc().m_ChannelList[0]->DeviceCount(), size_t(2));
        QCOMPARE(Shown()->GetName(), std::string("MIXER"));
    }

    void aDoubleClickBelowTheLastRowOpensTheDialogOnANewRecord()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 3);
        f->Open();
        QTableView *list = f->Find<QTableView>(QStringLiteral("5010"));
        QAbstractItemModelTester tester(list->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        size_t countInDialog = 0;
        QString startInDialog;
        ModalDriver::RunWhenModal([&](QDialog *dialog) {
            countInDialog = d->IORecCount();
            auto *start = dialog->findChild<QLineEdit *>(QStringLiteral("2011"));
            startInDialog = start->text();
            QTest::mouseClick(start, Qt::LeftButton);
            start->selectAll();
            QTest::keyClicks(start, QStringLiteral("DB2,B0"));
            ModalDriver::Click(*dialog, QStringLiteral("1"));
        });
        const QRect last = list->visualRect(list->model()->index(2, 1));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                           QPoint(last.center().x(), last.bottom() + 20));
        QCOMPARE(countInDialog, size_t(4));
        QCOMPARE(startInDialog, QStringLiteral("--Undefined--"));
        QCOMPARE(d->IORecCount(), size_t(4));
        QCOMPARE(list->model()->rowCount(), 4);
        QCOMPARE(list->model()->index(3, 1).data().toString(), QStringLiteral("DB002,B0000"));

        // Cancel on a fresh record removes it again.
        ModalDriver::RunWhenModal([](QDialog *dialog) { ModalDriver::Click(*dialog, QStringLiteral("2")); });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                           QPoint(last.center().x(), last.bottom() + 60));
        QCOMPARE(d->IORecCount(), size_t(4));
        QCOMPARE(list->model()->rowCount(), 4);
    }

    void aContextMenuIsNoFocusLossTheFieldCommitsWhenTheFocusReallyGoes()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Open();
        QLineEdit *description = Edit("2006");
        QTest::mouseClick(description, Qt::LeftButton);
        QTest::keyClicks(description, QStringLiteral("Kiln"));
        // The field's own edit menu, as a right click opens it.
        const QPoint at = description->rect().center();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, description->mapToGlobal(at));
        QApplication::sendEvent(description, &rightClick);
        QWidget *menu = QApplication::activePopupWidget();
        QVERIFY(menu != nullptr);
        QCOMPARE(d->GetDescription(), std::string());
        QVERIFY(!f->Doc().IsModified());
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(GuiEnv::WaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
        QVERIFY(description->hasFocus());
        QCOMPARE(description->text(), QStringLiteral("Kiln"));
        QCOMPARE(d->GetDescription(), std::string());

        // A half-typed address keeps its text through the menu; leaving the field commits it.
        QLineEdit *address = Edit("2007");
        QTest::mouseClick(address, Qt::LeftButton);
        QCOMPARE(d->GetDescription(), std::string("Kiln")); // committed as the focus left it
        QVERIFY(f->Doc().IsModified());
        address->selectAll();
        QTest::keyClicks(address, QStringLiteral("0800"));
        QContextMenuEvent again(QContextMenuEvent::Mouse, at, address->mapToGlobal(at));
        QApplication::sendEvent(address, &again);
        QVERIFY(QApplication::activePopupWidget() != nullptr);
        QVERIFY(f->ui->messages.empty());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QVERIFY(GuiEnv::WaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
        QCOMPARE(address->text(), QStringLiteral("0800"));
        QTest::keyClick(address, Qt::Key_Tab);
        QVERIFY(!f->ui->messages.empty()); // the device refused the address only now
    }

    void passingThroughTheFieldsShowsAndKeepsTheStoredTexts()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "plc1", 1);
        // The write TSAP of the S7 types, as a change of PLC type stores it.
        d->SetWriteTsap("Not Used");
        d->SetBackupWriteTsap("Not Used");
        QCOMPARE(d->GetWriteTsap(), std::string("Not Used"));
        f->Open();
        // What code puts in a field is shown as stored, also in a field that upper-cases typing.
        QCOMPARE(Edit("2005")->text(), QStringLiteral("plc1"));
        QCOMPARE(Edit("2009")->text(), QStringLiteral("Not Used"));
        QCOMPARE(Edit("2027")->text(), QStringLiteral("Not Used"));
        for (const char *id : {"2005", "2006", "2007", "2008", "2009", "2025", "2026", "2027"}) {
            QTest::mouseClick(Edit(id), Qt::LeftButton);
            QVERIFY(Edit(id)->hasFocus());
            QTest::keyClick(Edit(id), Qt::Key_Tab);
            QVERIFY2(!f->Doc().IsModified(), id);
        }
        QVERIFY(!f->Doc().IsModified());
        QCOMPARE(d->GetName(), std::string("plc1"));
        QCOMPARE(d->GetWriteTsap(), std::string("Not Used"));
        QCOMPARE(d->GetBackupWriteTsap(), std::string("Not Used"));
        QCOMPARE(Edit("2009")->text(), QStringLiteral("Not Used"));
        QVERIFY(f->ui->messages.empty());

        // A TSAP typed in lower case is stored upper-cased when it commits; the name upper-cases as typed.
        TypeAndLeave("2008", QStringLiteral("r=0;s=3"));
        QCOMPARE(d->GetReadTsap(), std::string("R=0;S=3"));
        QCOMPARE(Edit("2008")->text(), QStringLiteral("R=0;S=3"));
        QVERIFY(f->Doc().IsModified());
        f->Doc().SetModifiedFlag(false);
        TypeAndLeave("2008", QStringLiteral("r=0;S=3")); // the stored value again, in other case
        QVERIFY(!f->Doc().IsModified());
        QCOMPARE(Edit("2008")->text(), QStringLiteral("R=0;S=3"));
        TypeAndLeave("2005", QStringLiteral("mixer"));
        QCOMPARE(Edit("2005")->text(), QStringLiteral("MIXER"));
        QCOMPARE(d->GetName(), std::string("MIXER"));
    }

    void deleteInThePollRecordDialogRemovesTheRow()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 3);
        f->Open();
        QTableView *list = f->Find<QTableView>(QStringLiteral("5010"));
        ModalDriver::RunWhenModal(
            [](QDialog *dialog) { ModalDriver::Click(*dialog, QStringLiteral("2030")); });
        const QRect second = list->visualRect(list->model()->index(1, 1));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(d->IORecCount(), size_t(2));
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("2"));
        QCOMPARE(list->model()->index(1, 1).data().toString(), QStringLiteral("DB001,B0020"));
    }
    // New, after typing into the record made for the click, leaves no empty record behind, whatever
    // button ends the dialog, so the saved file holds none either.
    void newLeavesNoEmptyRecordWhateverEndsTheDialog()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 3);
        f->Open();
        auto typeStartThenNew = [](QDialog &dialog, const QString &start) {
            ModalDriver::TypeInto(dialog, QStringLiteral("2011"), start);
            ModalDriver::Click(dialog, QStringLiteral("2029"));
        };
        OpenPollRecord(-1, [&](QDialog &dialog) {
            typeStartThenNew(dialog, QStringLiteral("M100"));
            ModalDriver::TypeInto(dialog, QStringLiteral("2011"), QStringLiteral("M200"));
            ModalDriver::Click(dialog, QStringLiteral("1"));
        });
        QCOMPARE(d->IORecCount(), size_t(4));
        QCOMPARE(PollList()->model()->rowCount(), 4);
        QCOMPARE(ListedRecord(3), QStringLiteral("M200 M200 1"));

        OpenPollRecord(-1, [&](QDialog &dialog) {
            typeStartThenNew(dialog, QStringLiteral("M300"));
            ModalDriver::TypeInto(dialog, QStringLiteral("2011"), QStringLiteral("M400"));
            ModalDriver::Click(dialog, QStringLiteral("2")); // Cancel
        });
        OpenPollRecord(-1, [&](QDialog &dialog) {
            typeStartThenNew(dialog, QStringLiteral("M500"));
            ModalDriver::Click(dialog, QStringLiteral("1")); // OK on the new, still empty record
        });
        OpenPollRecord(-1, [&](QDialog &dialog) {
            typeStartThenNew(dialog, QStringLiteral("M600"));
            ModalDriver::Click(dialog, QStringLiteral("2030")); // Delete of the new record
        });
        QCOMPARE(d->IORecCount(), size_t(4));
        QCOMPARE(PollList()->model()->rowCount(), 4);
        for (int row = 0; row < 4; ++row)
            QVERIFY2(!ListedRecord(row).contains(QStringLiteral("--Undefined--")),
                     qPrintable(ListedRecord(row)));

        const std::string path = f->env.Path("PLANT.KVZ");
        f->Doc().WriteConfigFile(path);
        const QStringList dumped = DumpedRecords(path);
        QCOMPARE(dumped.size(), 4);
        QCOMPARE(dumped.last(), QStringLiteral("M200 M200 1"));
    }

    // After every accepted edit the dialog, the list and the saved file (read by kvzcfg) say the same.
    void theDialogTheListAndTheFileAgree_data()
    {
        QTest::addColumn<int>("plcType");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("other");     // a second record: "start length"
        QTest::addColumn<QStringList>("edits"); // "field id=text"
        QTest::newRow("S5") << int(kPlcS5) << "DB:3:0"
                            << "64"
                            << "DB:4:100 32"
                            << QStringList{"2011=DB:4:0", "2012=DB:3:110", "2012=DB:4:90", "2013=20",
                                           "2011=C:7"};
        QTest::newRow("S7") << int(kPlcS7_300) << "DB1,DBB0"
                            << "40"
                            << "M0 10"
                            << QStringList{"2011=M30", "2012=DB1,DBB50", "2012=M99", "2013=10",
                                           "2011=DB9,DBW4"};
        QTest::newRow("TI") << int(kPlcTi) << "V:1"
                            << "10"
                            << "K:1 10"
                            << QStringList{"2011=WX:100", "2012=V:150", "2012=WX:120", "2013=5",
                                           "2011=V:65535"};
    }
    void theDialogTheListAndTheFileAgree()
    {
        QFETCH(int, plcType);
        QFETCH(QString, start);
        QFETCH(QString, length);
        QFETCH(QString, other);
        QFETCH(QStringList, edits);
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 0);
        d->SetPlcTypeIndex(DictIndexOf(KVZ_hw_options_dct, static_cast<uint16_t>(plcType)));
        auto add = [&](const QString &a, const QString &n) {
            auto record = NewPollRecordFor(d);
            QVERIFY(record->ParseAddress(a.toStdString(), 1) == 1);
            QVERIFY(record->ParseAddress(a.toStdString(), 0) == 1);
            QVERIFY(record->SetLength(n.toStdString()) == 1);
            QVERIFY(record->ComputeEnd() == 1);
            d->AddIORec(std::move(record));
        };
        add(start, length);
        add(other.section(' ', 0, 0), other.section(' ', 1, 1));
        f->Open();
        const std::string path = f->env.Path("PLANT.KVZ");
        for (const QString &edit : edits) {
            const QString field = edit.section('=', 0, 0), text = edit.section('=', 1);
            QString inDialog;
            OpenPollRecord(0, [&](QDialog &dialog) {
                ModalDriver::TypeInto(dialog, field, text);
                ModalDriver::Click(dialog, QStringLiteral("2015")); // leave the field
                inDialog = ModalDriver::FieldText(dialog, QStringLiteral("2011")) + " " +
                           ModalDriver::FieldText(dialog, QStringLiteral("2012")) + " " +
                           ModalDriver::FieldText(dialog, QStringLiteral("2013"));
                ModalDriver::Click(dialog, QStringLiteral("1"));
            });
            QCOMPARE(ListedRecord(0), inDialog);
            f->Doc().WriteConfigFile(path);
            const QStringList dumped = DumpedRecords(path);
            QCOMPARE(dumped.size(), 2);
            QVERIFY2(dumped.front() == inDialog,
                     qPrintable(edit + ": file " + dumped.front() + ", dialog " + inDialog));
        }
        // The refused end addresses were each refused with the message of their own.
        int outside = 0;
        for (int id : f->ui->Ids())
            outside += id == IDS_END_ADDRESS_OUTSIDE_AREA ? 1 : 0;
        QCOMPARE(outside, 1);
    }

    // What the address fields take follows the channel's protocol: an IPv4 address can be typed.
    void theAddressFieldsTakeWhatTheProtocolHolds()
    {
        CChannel &channel = f->AddChannel();
        f->AddDevice(channel, "PLC1", 1);
        f->Open();
        TypeAndLeave("2007", QStringLiteral("192.168.100.100"));
        QCOMPARE(Shown()->GetAddressText(0), std::string("192.168.100.100"));
        QCOMPARE(Edit("2007")->text(), QStringLiteral("192.168.100.100"));
        QCOMPARE(qobject_cast<CommitLineEdit *>(Edit("2025"))->typingLimit(), 15);

        // The channel becomes ISO: the device takes the ISO default the file will hold, the fields
        // take 12 characters.
        f->ui->answers.push_back(kvz::MsgResult::Yes);
        ModalDriver::RunWhenModal([](QDialog *dialog) {
            auto *protocol = dialog->findChild<QComboBox *>(QStringLiteral("2031"));
            ModalDriver::Choose(*dialog, QStringLiteral("2031"),
                                protocol->findText(QStringLiteral("ISO Industrial Ethernet")));
            ModalDriver::Click(*dialog, QStringLiteral("1"));
        });
        f->Frame().ConfigView()->OnChannelSetup();
        QCOMPARE(f->ui->Ids().back(), int(IDS_PROTOCOL_CHANGE_ADDRESSES));
        QCOMPARE(Edit("2007")->text(), QStringLiteral("080006010001"));
        QCOMPARE(qobject_cast<CommitLineEdit *>(Edit("2007"))->typingLimit(), 12);
        const std::string path = f->env.Path("ISO.KVZ");
        f->Doc().WriteConfigFile(path);
        CDidDoc reread;
        reread.OnOpenDocument(path);
        auto *saved =
            static_cast<CDrvSpecificDevice *>(reread.m_ChannelList.front()->Devices().front().get());
        QCOMPARE(saved->GetAddressText(0), std::string("080006010001"));
    }
};

QTEST_MAIN(CfgViewTest)
#include "cfg_view_test.moc"
