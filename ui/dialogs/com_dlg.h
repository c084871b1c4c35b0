#pragma once
// The channel communication dialog (template 5201): reply timeout, delay and retries, the transport
// protocol and the network adapter of one channel. It edits a working copy of the channel, field by
// field as the focus leaves each one, and writes the copy back on OK only when it differs.
#include "ui/dialogs/form_dialog.h"

#include <memory>

class BitmapButton;
class CDidDoc;
class CDrvSpecificChannel;
class CommitLineEdit;
class QComboBox;

class CComDlg : public FormDialog
{
    Q_OBJECT
public:
    // The dialog for channel `channelIndex` (0-based) of `doc`.
    CComDlg(CDidDoc *doc, int channelIndex, QWidget *parent = nullptr);
    ~CComDlg() override;

    // OK and Cancel act only while their button has the focus: Enter, Esc or the close box with the
    // focus in a field leave the dialog open.
    void accept() override;
    void reject() override;

private:
    void buildControls();
    void loadFields();
    void commitReplyTimeout();
    void commitDelay();
    void commitRetries();

    CDidDoc *doc_;
    CDrvSpecificChannel *channel_;
    std::unique_ptr<CDrvSpecificChannel> work_;

    CommitLineEdit *replyTimeout_ = nullptr;
    CommitLineEdit *delay_ = nullptr;
    CommitLineEdit *retries_ = nullptr;
    QComboBox *protocol_ = nullptr;
    CommitLineEdit *adapter_ = nullptr;
    BitmapButton *ok_ = nullptr;
    BitmapButton *cancel_ = nullptr;
};
