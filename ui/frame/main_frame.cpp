#include "ui/frame/main_frame.h"

#include "document/did_doc.h"
#include "model/channel.h"
#include "model/device.h"
#include "model/drv_specific_device.h"
#include "model/string_table.h"
#include "platform/clock_text.h"
#include "platform/driver_identity.h"
#include "ui/app/about_dlg.h"
#include "ui/app/context_help.h"
#include "ui/dialogs/exit_dlg.h"
#include "ui/views/cfg_dlg.h"
#include "ui/views/iorec_list_model.h"
#include "ui/views/messages_view.h"
#include "ui/widgets/commit_line_edit.h"
#include "ui/widgets/dialog_units.h"
#include "ui/widgets/icons.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

namespace
{

constexpr int kTickPeriodMs = 1000;
constexpr int kChannelCommandFirst = 10601;
constexpr int kChannelSetupCommand = 10127;
constexpr int kRecentFileCommand = 57616;
constexpr int kExitCommand = 57665;
constexpr int kToolbarCommand = 59392;
constexpr int kStatusBarCommand = 59393;
constexpr int kHelpIndexCommand = 57666;
constexpr int kHelpCommand = 57670;
constexpr int kAboutCommand = 57664;
constexpr int kIdleMessageId = 57345;

QString S(int id)
{
    return QString::fromStdString(LoadModelString(id));
}

} // namespace

CMainFrame::CMainFrame(CDidDoc *document) : CMainFrame(document, DriverSources{}) {}

CMainFrame::CMainFrame(CDidDoc *document, DriverSources sources)
    : doc_(document), statistics_(std::move(sources.statistics)), clock_(std::move(sources.clock))
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(Icons::Resource(2));
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("59648"));
    splitter_->setChildrenCollapsible(false);
    cfgView_ = new CCfgDlg(doc_, splitter_);
    messages_ = new CMessages(doc_, splitter_, std::move(sources.messages));
    messages_->SetLearnedCallback([this] { cfgView_->RefillPollRecords(); });
    splitter_->addWidget(cfgView_);
    splitter_->addWidget(messages_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    setCentralWidget(splitter_);

    connect(&timer_, &QTimer::timeout, this, &CMainFrame::Tick);
    timer_.start(kTickPeriodMs);
    // Qt has no idle-time update of commands: the states follow the document's every change instead,
    // so a toolbar button or a shortcut never acts on a state that has gone.
    doc_->SetChangeListener([this] { UpdateCommandStates(); });
}

CMainFrame::~CMainFrame()
{
    doc_->SetChangeListener(nullptr);
}

QAction *CMainFrame::AddCommand(int id, const QString &text, const QString &prompt, const QKeySequence &key)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QString::number(id));
    action->setStatusTip(prompt);
    if (!key.isEmpty())
        action->setShortcut(key);
    commands_[id] = action;
    return action;
}

QAction *CMainFrame::Command(int id) const
{
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions()
{
    AddCommand(ID_FILE_NEW, tr("&New\tCtrl+N"), tr("Create a new configuration"),
               QKeySequence(Qt::CTRL | Qt::Key_N))
        ->setIcon(Icons::Named(QStringLiteral("tb-new")));
    AddCommand(ID_FILE_OPEN, tr("&Open...\tCtrl+O"), tr("Open an existing configuration"),
               QKeySequence(Qt::CTRL | Qt::Key_O))
        ->setIcon(Icons::Named(QStringLiteral("tb-open")));
    QAction *save = AddCommand(ID_FILE_SAVE, tr("&Save\tCtrl+S"), tr("Save the configuration"));
    save->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::Key_F11)});
    save->setIcon(Icons::Named(QStringLiteral("tb-save")));
    AddCommand(ID_FILE_SAVE_AS, tr("Save &As...\tF12"), tr("Save the configuration with a new name"),
               QKeySequence(Qt::Key_F12))
        ->setIcon(Icons::Named(QStringLiteral("tb-saveas")));
    AddCommand(ID_RELOAD, tr("&Reload\tCtrl+R"), tr("Make the running driver load the configuration"),
               QKeySequence(Qt::CTRL | Qt::Key_R))
        ->setIcon(Icons::Named(QStringLiteral("tb-reload")));
    AddCommand(kExitCommand, tr("E&xit"), tr("Quit the configurator; offers to save and reload"))
        ->setIcon(Icons::Named(QStringLiteral("tb-exit")));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_RELOAD})
        connect(Command(id), &QAction::triggered, this, [this, id] { RunDocumentCommand(id); });
    connect(Command(kExitCommand), &QAction::triggered, this, &QWidget::close);

    QAction *toolbar = AddCommand(kToolbarCommand, tr("&Toolbar"), tr("Show or hide the toolbar"));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction *status = AddCommand(kStatusBarCommand, tr("&Status Bar"), tr("Show or hide the status bar"));
    status->setCheckable(true);
    status->setChecked(true);

    AddCommand(ID_DISABLE_COMMS_ALARMS, tr("&Disable Comms Alarms"),
               tr("Switch the communication alarms of the selected channel off or on"));
    AddCommand(ID_LEARN_ADDRESSES, tr("&Learn Addresses"),
               tr("Add the addresses the running driver is asked for to the poll records"));
    AddCommand(ID_SAVE_LOG_FILE, tr("&Save Log File"), tr("Keep every driver message in the log file"));
    AddCommand(ID_IMPORT_ADDRESSES, tr("&Import Addresses..."),
               tr("Import devices or addresses from a host database table"));
    for (int id : {ID_DISABLE_COMMS_ALARMS, ID_LEARN_ADDRESSES})
        Command(id)->setCheckable(true);
    for (int id : {ID_DISABLE_COMMS_ALARMS, ID_LEARN_ADDRESSES, ID_SAVE_LOG_FILE, ID_IMPORT_ADDRESSES})
        connect(Command(id), &QAction::triggered, this, [this, id] { RunDocumentCommand(id); });

    AddCommand(kHelpIndexCommand, tr("&Contents"), tr("List the help topics"))
        ->setIcon(Icons::Named(QStringLiteral("tb-help")));
    AddCommand(kAboutCommand, tr("&About..."), tr("Show the program's version"));
    QAction *help = AddCommand(kHelpCommand, tr("Help"), tr("Help on the field with the focus"));
    help->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::ALT | Qt::Key_F1)});
    addAction(help);
    // F1: the page of the control with the focus or of the window around it.
    connect(help, &QAction::triggered, this, [] { ContextHelp::OpenFor(QApplication::focusWidget()); });
    connect(Command(kHelpIndexCommand), &QAction::triggered, this, [] { ContextHelp::OpenContents(); });
    connect(Command(kAboutCommand), &QAction::triggered, this, [this] { ShowAboutDialog(this); });

    channelGroup_ = new QActionGroup(this);
    channelGroup_->setExclusive(true);
    for (int n = 1; n <= 16; ++n) {
        QAction *channel = AddCommand(kChannelCommandFirst + n - 1, tr("Channel %1").arg(n),
                                      S(kChannelCommandFirst + n - 1));
        channel->setIcon(Icons::ChannelButton(n));
        channel->setToolTip(tr("Channel %1").arg(n));
        channel->setCheckable(true);
        channelGroup_->addAction(channel);
        connect(channel, &QAction::triggered, this, [this, n] {
            CommitLineEdit::CommitFocusedField();
            cfgView_->OnSelectChannel(n);
        });
    }
    AddCommand(kChannelSetupCommand, tr("Setup"), S(kChannelSetupCommand))
        ->setIcon(Icons::Named(QStringLiteral("tb-channel-setup")));
    Command(kChannelSetupCommand)->setToolTip(S(kChannelSetupCommand));
    connect(Command(kChannelSetupCommand), &QAction::triggered, this, [this] {
        CommitLineEdit::CommitFocusedField();
        cfgView_->OnChannelSetup();
    });
}

void CMainFrame::CreateMenus()
{
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_RELOAD})
        fileMenu_->addAction(Command(id));
    recentSeparator_ = fileMenu_->addSeparator();
    for (int i = 0; i < 2; ++i) {
        QAction *recent = AddCommand(kRecentFileCommand + i, QString(), tr("Open this configuration"));
        connect(recent, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
        fileMenu_->addAction(recent);
        recentActions_ << recent;
    }
    fileMenu_->addSeparator();
    fileMenu_->addAction(Command(kExitCommand));
    connect(fileMenu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFiles);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(Command(kToolbarCommand));
    view->addAction(Command(kStatusBarCommand));

    QMenu *options = menuBar()->addMenu(tr("&Options"));
    options->setObjectName(QStringLiteral("optionsMenu"));
    for (int id : {ID_DISABLE_COMMS_ALARMS, ID_LEARN_ADDRESSES, ID_SAVE_LOG_FILE, ID_IMPORT_ADDRESSES})
        options->addAction(Command(id));

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Command(kHelpIndexCommand));
    help->addSeparator();
    help->addAction(Command(kAboutCommand));
}

void CMainFrame::CreateToolBars()
{
    QToolBar *main = addToolBar(tr("Toolbar"));
    main->setObjectName(QStringLiteral("59392"));
    main->setMovable(false);
    main->setIconSize(QSize(16, 16));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS})
        main->addAction(Command(id));
    main->addSeparator();
    main->addAction(Command(ID_RELOAD));
    main->addSeparator();
    main->addAction(Command(kExitCommand));
    main->addSeparator();
    main->addAction(Command(kHelpIndexCommand));

    addToolBarBreak();
    QToolBar *channels = addToolBar(tr("Channels"));
    channels->setObjectName(QStringLiteral("5300"));
    channels->setMovable(false);
    channels->setIconSize(QSize(30, 20));
    for (int n = 0; n < 16; ++n)
        channels->addAction(Command(kChannelCommandFirst + n));
    channels->addSeparator();
    channels->addAction(Command(kChannelSetupCommand));

    // View > Toolbar is the main toolbar's alone: the channel toolbar is the only way to another
    // channel and its setup, so it always shows.
    connect(Command(kToolbarCommand), &QAction::toggled, main, &QWidget::setVisible);
}

QMenu *CMainFrame::createPopupMenu()
{
    // No menu of toolbar toggles on a right click: it could hide the channel toolbar.
    return nullptr;
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("59393"));
    idleText_ = S(kIdleMessageId);
    messagePane_ = new QLabel(idleText_, bar);
    messagePane_->setObjectName(QStringLiteral("messagePane"));
    messagePane_->setMinimumWidth(1);
    bar->addWidget(messagePane_, 1);
    clockPane_ = new QLabel(bar);
    clockPane_->setObjectName(QStringLiteral("clockPane"));
    clockPane_->setAlignment(Qt::AlignCenter);
    clockPane_->setFixedWidth(clockPane_->fontMetrics().horizontalAdvance(QStringLiteral("00:00 PM")) + 12);
    clockPane_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(clockPane_);
    connect(Command(kStatusBarCommand), &QAction::toggled, bar, &QWidget::setVisible);
}

bool CMainFrame::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // Menu prompts show in the message pane; when the menu goes, the pane's own text comes back.
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        messagePane_->setText(tip.isEmpty() ? idleText_ : tip);
        return true;
    }
    return QMainWindow::event(event);
}

QString CMainFrame::MessagePaneText() const
{
    return messagePane_->text();
}

QString CMainFrame::ClockPaneText() const
{
    return clockPane_->text();
}

void CMainFrame::InitialUpdate()
{
    cfgView_->OnInitialUpdate();
    messages_->OnInitialUpdate();
    UpdateCommandStates();

    // Fit the frame to the form (the messages pane below it), then centre it on the screen.
    DialogUnits du(cfgView_->font());
    const QSize form = cfgView_->FormSize();
    const int messagesHeight = du.y(75);
    cfgView_->setMinimumSize(form.width(), du.y(109 + 40));
    messages_->setMinimumHeight(du.y(25));
    if (QLayout *frameLayout = layout())
        frameLayout->activate();
    const int chrome = std::max(0, height() - centralWidget()->height());
    resize(form.width(), chrome + form.height() + splitter_->handleWidth() + messagesHeight);
    splitter_->setSizes({form.height(), messagesHeight});
    if (QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    }
}

void CMainFrame::RunDocumentCommand(int id)
{
    // A shortcut or a menu does not take the focus: what is typed in a field goes in first.
    CommitLineEdit::CommitFocusedField();
    // A command that its update rule disables is not run, however it was reached.
    if (!doc_->GetCommandState(id).enabled)
        return;
    switch (id) {
    case ID_FILE_NEW:
        doc_->OnFileNew();
        break;
    case ID_FILE_OPEN:
        doc_->OnFileOpen();
        break;
    case ID_FILE_SAVE:
        doc_->OnFileSave();
        break;
    case ID_FILE_SAVE_AS:
        doc_->OnFileSaveAs();
        break;
    case ID_RELOAD:
        doc_->OnReload();
        break;
    case ID_DISABLE_COMMS_ALARMS:
        doc_->OnDisableCommsAlarms();
        break;
    case ID_LEARN_ADDRESSES:
        doc_->OnLearnAddresses();
        break;
    case ID_SAVE_LOG_FILE:
        doc_->OnSaveLogFile();
        break;
    case ID_IMPORT_ADDRESSES:
        doc_->OnImportAddresses();
        break;
    default:
        break;
    }
}

void CMainFrame::UpdateCommandStates()
{
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_RELOAD,
                   ID_DISABLE_COMMS_ALARMS, ID_LEARN_ADDRESSES, ID_SAVE_LOG_FILE, ID_IMPORT_ADDRESSES}) {
        const CommandState state = doc_->GetCommandState(id);
        QAction *action = Command(id);
        action->setEnabled(state.enabled);
        if (action->isCheckable())
            action->setChecked(state.checked);
    }
    const int current = CurrentChannelIndex();
    if (QAction *channel = Command(kChannelCommandFirst + current); channel && !channel->isChecked())
        channel->setChecked(true);
}

void CMainFrame::UpdateRecentFiles()
{
    const auto &files = doc_->GetRecentFiles();
    for (int i = 0; i < recentActions_.size(); ++i) {
        QAction *action = recentActions_[i];
        const bool used = static_cast<size_t>(i) < files.size();
        action->setVisible(used);
        if (used)
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(files[i])));
    }
    recentSeparator_->setVisible(!files.empty());
}

void CMainFrame::OpenRecentFile(int index)
{
    const auto &files = doc_->GetRecentFiles();
    if (index < 0 || static_cast<size_t>(index) >= files.size())
        return;
    const std::string path = files[static_cast<size_t>(index)];
    doc_->OpenRecentFile(path);
}

void CMainFrame::Tick()
{
    const std::time_t now = clock_ ? clock_() : std::time(nullptr);
    clockPane_->setText(QString::fromStdString(kvz::ClockText(now)));
    if (!doc_)
        return;
    setWindowTitle(QString::fromStdString(kvz::FrameTitle(doc_->GetPathName())));
    CChannel *channel = doc_->m_pCurrentChannel;
    if (!channel)
        return;
    if (auto text = statistics_.Tick(channel->GetChannelNumber())) {
        idleText_ = QString::fromStdString(*text);
        messagePane_->setText(idleText_);
    }
    UpdateLiveRows();
}

void CMainFrame::UpdateLiveRows()
{
    CDevice *device = cfgView_->ShownDevice();
    if (!device)
        return;
    IORecListModel *rows = cfgView_->PollRecordRows();
    rows->BeginBatch();
    int row = 0;
    for (const auto &record : device->IORecs()) {
        bool changed = false;
        record->ReadLiveStatus(changed);
        if (changed)
            record->ShowInList(row, *rows);
        ++row;
    }
    rows->EndBatch();
}

void CMainFrame::BringForward()
{
    move(0, 0);
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    // The close box does not take the focus either: the field being typed in is committed first, so
    // the question below sees the change.
    CommitLineEdit::CommitFocusedField();
    CExitDlg dialog(doc_, this);
    if (!doc_->IsModified() && !doc_->m_bReloadPending) {
        doc_->SetModifiedFlag(false);
        timer_.stop();
        event->accept();
        return;
    }
    if (!HasPollRecords()) {
        // Nothing the driver could run: the changes go without a question.
        doc_->SetModifiedFlag(false);
        timer_.stop();
        event->accept();
        return;
    }
    if (dialog.exec() != QDialog::Accepted) {
        event->ignore();
        return;
    }
    if (dialog.SaveFlag()) {
        doc_->Serialize(true);
        if (doc_->IsModified()) {
            // The save failed or was cancelled: the edits stay, and so does the window.
            event->ignore();
            return;
        }
    }
    doc_->SetModifiedFlag(false);
    if (dialog.ReloadFlag())
        doc_->OnReload();
    timer_.stop();
    event->accept();
}
