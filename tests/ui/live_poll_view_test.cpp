// The configurator on the real poll engine: KVZSPOLL polls a snap7 server in a private network
// namespace of this test (root), and the poll record rows and the status pane follow what it writes.
#include "gui_env.h"
#include "platform/process.h"
#include "private_network.h"
#include "scripted_ui.h"
#include "ui/app/did_app.h"
#include "ui/frame/main_frame.h"
#include "ui/views/cfg_dlg.h"
#include "ui/views/iorec_list_model.h"

#include <QRegularExpression>
#include <QtTest>
#include <fstream>

namespace
{

constexpr int kGood = 1, kFailed = 2, kNotPolled = 3;

// One device on the server, two records polled every 0.2 s and one that is never polled. A short
// reply timeout and delay make the failure show within a second or two.
constexpr const char *kPlantCsv =
    "[ KVZ  Driver Configuration Report  , Monday March 02 2026, 07:30 AM ]\n"
    "!CHANNEL,DISPLAY ALARMS,REPLY TIMEOUT,DELAY,RETRIES,Protocol,Ethernet card\n"
    "1,Yes,0.5,1.0,1,TCP/IP,lo\n\n"
    "!DEVICE NAME,CHANNEL,DESCRIPTION,ETHERNET ADDRESS,READ TSAP ID,WRITE TSAP ID,PLC_type,Backup Ethernet "
    "addr,"
    "Backup read TSAP,Backup Write TSAP,\n"
    "PLC1,1,snap7,E127.0.0.1,R=0;S=2,Not Used,S7 300,EDISABLED,DISABLED,DISABLED\n\n"
    "!IOREC,DEVICE NAME,DATA TYPE,POLL TIME,ACCESS TIME,EXCEPTION,DEAD BAND,START ADDRESS,LENGTH\n"
    "1,PLC1,Byte,0.2,Disabled,Disabled,0.0,\"DB001,B0000\",8\n"
    "2,PLC1,Byte,0.2,Disabled,Disabled,0.0,M10,4\n"
    "3,PLC1,Byte,Disabled,Disabled,Disabled,0.0,M100,2\n";

// The transmit count the status pane shows, -1 when it shows none.
long PaneTransmitCount(const QString &pane)
{
    auto m = QRegularExpression(QStringLiteral("^TX=(\\d+) RX=\\d+ Polls/Sec=\\d+")).match(pane);
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

} // namespace

class LivePollViewTest : public QObject
{
    Q_OBJECT

private:
    std::string peers;
    std::unique_ptr<GuiEnv> env;
    ferrolink_test::PeerProcess server;
    ScriptedUi *ui = nullptr;
    std::unique_ptr<CDidApp> app;

    bool StartServer()
    {
        return server.Start({"node", peers + "/s7_server.js", "127.0.0.1"}, "ready", 10000);
    }
    // Ticks the window (as its one-second timer does) until the rows show `images`.
    bool RowsShow(IORecListModel *rows, std::vector<int> images, int ms)
    {
        return GuiEnv::WaitFor(
            [&] {
                app->MainFrame()->Tick();
                for (size_t i = 0; i < images.size(); ++i)
                    if (rows->StateImage(static_cast<int>(i)) != images[i])
                        return false;
                return true;
            },
            ms);
    }

private slots:
    void initTestCase()
    {
        std::string why;
        peers = ferrolink_test::PeersFolder(why);
        if (peers.empty())
            QSKIP(why.c_str());
        why = ferrolink_test::EnterPrivateNetwork();
        if (!why.empty())
            QSKIP(why.c_str());
    }
    void init()
    {
        env = std::make_unique<GuiEnv>();
        env->RegisterSpoll();
        const std::string csv = env->Path("PLANT.csv");
        std::ofstream(csv) << kPlantCsv;
        const std::string kvz = env->Path("PLANT.KVZ");
        kvz::SpawnResult convert = kvz::SpawnProcess(GuiEnv::Program("kvzcfg"), {"convert", csv, kvz});
        QVERIFY(convert.pid > 0);
        std::optional<int> status = kvz::WaitProcess(convert.pid);
        QVERIFY(status && *status == 0);
        env->RegisterConfigFile(kvz);
        QVERIFY(StartServer());
    }
    void cleanup()
    {
        if (app) {
            app->MainFrame()->close();
            app->ExitInstance(0);
            app.reset();
        }
        env.reset();
        server.Stop();
    }

    void theRowsAndTheStatisticsFollowTheEngineThroughAStoppedController()
    {
        auto owned = std::make_unique<ScriptedUi>();
        ui = owned.get();
        app = std::make_unique<CDidApp>(std::move(owned));
        QVERIFY(app->InitInstance()); // starts KVZSPOLL as "DriverExe"
        CMainFrame *frame = app->MainFrame();
        IORecListModel *rows = frame->ConfigView()->PollRecordRows();
        QCOMPARE(rows->rowCount(), 3);

        QVERIFY2(RowsShow(rows, {kGood, kGood, kNotPolled}, 10000),
                 qPrintable(QStringLiteral("images %1 %2 %3")
                                .arg(rows->StateImage(0))
                                .arg(rows->StateImage(1))
                                .arg(rows->StateImage(2))));
        // The pane counts the engine's requests: the count moves while the records are polled.
        long first = -1;
        QVERIFY(GuiEnv::WaitFor([&] {
            frame->Tick();
            first = PaneTransmitCount(frame->MessagePaneText());
            return first > 0;
        }));
        QVERIFY2(GuiEnv::WaitFor([&] {
                     frame->Tick();
                     return PaneTransmitCount(frame->MessagePaneText()) > first;
                 }),
                 qPrintable(frame->MessagePaneText()));

        server.Stop();
        QVERIFY(RowsShow(rows, {kFailed, kFailed, kNotPolled}, 10000));
        QVERIFY(StartServer());
        // The transport tries the connection again on its own timers: seconds, not the poll time.
        QVERIFY(RowsShow(rows, {kGood, kGood, kNotPolled}, 20000));
        QVERIFY2(ui->messages.empty(), ui->messages.empty() ? "" : ui->messages.front().text.c_str());
    }
};

QTEST_MAIN(LivePollViewTest)
#include "live_poll_view_test.moc"
