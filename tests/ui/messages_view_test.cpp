// The driver messages view: lines from the ring with their icons, the cut back to 180, and learned
// addresses.
#include "frame_fixture.h"
#include "modal_driver.h"
#include "model/channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "ui/views/cfg_dlg.h"
#include "ui/views/iorec_list_model.h"
#include "ui/views/messages_view.h"
#include "ui/widgets/icons.h"

#include <QtTest>

class MessagesViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FrameFixture> f;
    CMessages *View() { return f->Frame().MessagesView(); }
    void Post(uint16_t code, const std::string &text) { f->ring.emplace_back(code, text); }
    // The icon of a line: 0 for 5100, 1 for 5101.
    int IconOf(int row)
    {
        const QImage shown = View()->item(row)->icon().pixmap(16).toImage();
        return shown == Icons::Resource(5101).pixmap(16).toImage() ? 1 : 0;
    }

private slots:
    void init() { f = std::make_unique<FrameFixture>(); }
    void cleanup() { f.reset(); }

    void theListIsCutBackToTheNewest180OnceItReaches201()
    {
        f->Open();
        for (int i = 0; i < 200; ++i)
            Post(23, "line " + std::to_string(i));
        while (!f->ring.empty())
            View()->Tick();
        QCOMPARE(View()->count(), 200);
        Post(23, "line 200");
        View()->Tick();
        QCOMPARE(View()->count(), 180);
        QCOMPARE(View()->LineCount(), 180);
        QCOMPARE(View()->item(0)->text(), QStringLiteral("line 21"));
        QCOMPARE(View()->item(179)->text(), QStringLiteral("line 200"));
    }

    void theIconChangesWithTheCode()
    {
        f->Open();
        Post(23, "started");
        Post(70, "stopped");
        Post(70, "still stopped");
        Post(23, "running");
        View()->Tick();
        QCOMPARE(View()->count(), 4);
        QCOMPARE(IconOf(0), 0);
        QCOMPARE(IconOf(1), 1);
        QCOMPARE(IconOf(2), 1);
        QCOMPARE(IconOf(3), 0);
        // The first message is taken with the all-messages flag 0, the others with "Save Log File".
        QVERIFY(!f->saveLogAll);
    }

    void learnedAddressesReachThePollRecordsOnlyWhileLearning()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 1);
        f->Open();
        // The device and address follow the first "-" from the eleventh character on.
        const std::string message = "12345NIO-*-PLC1:DB1,B100";
        Post(39, message);
        View()->Tick();
        QCOMPARE(d->IORecCount(), size_t(1));
        QCOMPARE(View()->count(), 1);

        f->Doc().m_pCurrentChannel->SetLearnAddresses(true);
        Post(39, message);
        View()->Tick();
        QCOMPARE(View()->count(), 2);
        QVERIFY(d->IORecCount() == 2 || d->IORecs().front()->GetLength() > 10);
        // The configuration view shows the learned record at once.
        int shownRows = f->Frame().ConfigView()->PollRecordRows()->rowCount();
        QCOMPARE(shownRows, static_cast<int>(d->IORecCount()));

        // While a dialog edits the current record nothing is learned; the message is read and listed,
        // and its address waits in the configurator until the dialog has closed.
        const size_t records = d->IORecCount();
        Post(39, "12345NIO-*-PLC1:DB7,B0");
        QDialog dialog(&f->Frame());
        size_t recordsInDialog = 0, ringInDialog = 0;
        int linesInDialog = 0;
        ModalDriver::RunWhenModal([&](QDialog *open) {
            View()->Tick();
            recordsInDialog = d->IORecCount();
            ringInDialog = f->ring.size();
            linesInDialog = View()->count();
            open->reject();
        });
        dialog.exec();
        QCOMPARE(recordsInDialog, records);
        QCOMPARE(ringInDialog, size_t(0));
        QCOMPARE(linesInDialog, 3);
        View()->Tick();
        QCOMPARE(d->IORecCount(), records + 1);
        QCOMPARE(f->Frame().ConfigView()->PollRecordRows()->rowCount(), static_cast<int>(records + 1));
    }

    void messagesPostedDuringAnAboutBoxAreAllListedAndLearnedInOrder()
    {
        CDrvSpecificDevice *d = f->AddDevice(f->AddChannel(), "PLC1", 0);
        f->Open();
        f->Doc().m_pCurrentChannel->SetLearnAddresses(true);
        // The driver's ring holds 63 messages; what does not fit is dropped.
        constexpr size_t kRingSlots = 63;
        size_t dropped = 0;
        auto post = [&](int n) {
            if (f->ring.size() >= kRingSlots) {
                ++dropped;
                return;
            }
            Post(39, "12345NIO-*-PLC1:DB" + std::to_string(n + 1) + ",B0");
        };
        size_t learnedInBox = 0;
        ModalDriver::RunWhenModal([&](QDialog *about) {
            // Four bursts of 20, each read by the view's own timer before the next comes.
            for (int burst = 0; burst < 4; ++burst) {
                for (int i = 0; i < 20; ++i)
                    post(burst * 20 + i);
                GuiEnv::WaitFor([&] { return f->ring.empty(); }, 3000);
            }
            learnedInBox = d->IORecCount();
            about->reject();
        });
        f->Frame().Command(57664)->trigger();
        QCOMPARE(learnedInBox, size_t(0)); // nothing learned while the box is open
        QCOMPARE(dropped, size_t(0));
        QCOMPARE(View()->count(), 80);
        QVERIFY(GuiEnv::WaitFor([&] { return d->IORecCount() == 80; }, 3000));
        // In the order the driver reported them.
        for (size_t i = 0; i < d->IORecCount(); ++i)
            QCOMPARE(static_cast<CDrvSpecificIORec &>(*d->IORecs()[i]).GetDataBlock(), uint16_t(i + 1));
        QCOMPARE(f->Frame().ConfigView()->PollRecordRows()->rowCount(), 80);
    }
};

QTEST_MAIN(MessagesViewTest)
#include "messages_view_test.moc"
