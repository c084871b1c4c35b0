#pragma once
// The configurator's one top-level window: menu, main and channel toolbars, status bar with the
// message and clock panes, the splitter with the configuration view above the driver messages view,
// and the one-second tick (clock, title, channel statistics, live poll-record rows). Closing runs the
// exit dialog when there is something to save or reload.
#include "document/driver_messages.h"
#include "niolib/channel_statistics.h"

#include <QMainWindow>
#include <QTimer>
#include <ctime>
#include <functional>
#include <map>

class CDidDoc;
class CCfgDlg;
class CMessages;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSplitter;

class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    using Clock = std::function<std::time_t()>;

    // The views are built at once; `statistics` reads the running driver (tests give their own).
    // What the frame reads from the running driver; tests give their own.
    struct DriverSources {
        ChannelStatistics::Source statistics = ChannelStatistics::NioSource();
        DriverMessageFeed::Reader messages; // nio_get_message when empty
        Clock clock;                        // time() when empty
    };
    explicit CMainFrame(CDidDoc *document);
    CMainFrame(CDidDoc *document, DriverSources sources);
    ~CMainFrame() override;

    CDidDoc *GetActiveDocument() const { return doc_; }
    CCfgDlg *ConfigView() const { return cfgView_; }
    CMessages *MessagesView() const { return messages_; }

    // The views' initial updates, the resize to fit the form and the centring on the screen.
    void InitialUpdate();
    // One tick of timer 99.
    void Tick();
    bool TimerRunning() const { return timer_.isActive(); }

    // The message pane's and the clock pane's text.
    QString MessagePaneText() const;
    QString ClockPaneText() const;

    // Brings the window forward for a second copy of the program: top-left corner, size kept,
    // restored and raised.
    void BringForward();

    // The action of a command identifier (57600 New, 10601..10616 channels, ...), or null.
    QAction *Command(int id) const;

    QMenu *createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    QAction *AddCommand(int id, const QString &text, const QString &prompt, const QKeySequence &key = {});
    void RunDocumentCommand(int id);
    void UpdateCommandStates();
    void UpdateRecentFiles();
    void OpenRecentFile(int index);
    void UpdateLiveRows();

    CDidDoc *doc_;
    ChannelStatistics statistics_;
    Clock clock_;
    QTimer timer_;
    QSplitter *splitter_ = nullptr;
    CCfgDlg *cfgView_ = nullptr;
    CMessages *messages_ = nullptr;
    QLabel *messagePane_ = nullptr;
    QLabel *clockPane_ = nullptr;
    QString idleText_;
    std::map<int, QAction *> commands_;
    QMenu *fileMenu_ = nullptr;
    QAction *recentSeparator_ = nullptr;
    QList<QAction *> recentActions_;
    QActionGroup *channelGroup_ = nullptr;
};
