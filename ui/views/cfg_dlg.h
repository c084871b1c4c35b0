#pragma once
// The configuration view (form 5200): one channel at a time, its device list, the selected device's
// settings and its poll records. Every field commits when it loses the focus, through the model's
// setters, which validate and report; the view restores what a setter refused.
#include <QWidget>
#include <string>

class CDidDoc;
class CChannel;
class CDrvSpecificDevice;
class CommitLineEdit;
class IORecListModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

// The process-wide index (0..15) of the channel the view shows.
int CurrentChannelIndex();

class CCfgDlg : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFormWidth = 540;  // dialog units
    static constexpr int kFormHeight = 211; // dialog units

    explicit CCfgDlg(CDidDoc *document, QWidget *parent = nullptr);
    ~CCfgDlg() override;

    void OnInitialUpdate();
    // Only a non-zero hint refreshes the view (on channel 1).
    void OnUpdate(int hint);

    // Channel toolbar: select channel n (1..16), and the setup command.
    void OnSelectChannel(int channel);
    void OnChannelSetup();

    // The device shown, its poll record list and the list's item model.
    CDrvSpecificDevice *ShownDevice() const;
    IORecListModel *PollRecordRows() const { return rows_; }
    QTableView *PollRecordList() const { return pollList_; }
    // Rewrites the poll record list from the shown device (after records were learned).
    void RefillPollRecords();
    // Gives the device name the focus with its whole text selected (also once the window shows).
    void FocusDeviceName();
    // The size the frame gives the form.
    QSize FormSize() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildForm();
    void LayOut();
    CChannel *Channel() const;
    void EnsureChannel();
    CDrvSpecificDevice *AddDefaultDevice(CChannel &channel);
    void FillDeviceList();
    void FillPollRecordList();
    void ShowDevice();
    void SelectListRow(int row);

    void OnSelectDevice(int row);
    void OnRenameDevice();
    void OnSetDescription();
    void OnChangePlcType(int index);
    void OnAddDevice();
    void OnDeleteDevice();
    void OnToggleBackupChannel();
    void OnToggleBackupConnection();
    // Commits one of the six connection fields (0..5: primary address, read, write TSAP; backup).
    void OnCommitConnection(int field);
    void OnPollRecordDoubleClick(const QPoint &pos);

    CDidDoc *doc_;
    // The values last written to the controls: a commit compares the field against them.
    struct Bound {
        std::string name, description;
        std::string connection[6];
    } bound_;

    QListWidget *deviceList_ = nullptr;
    QPushButton *addButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    CommitLineEdit *name_ = nullptr;
    QComboBox *plcType_ = nullptr;
    CommitLineEdit *description_ = nullptr;
    CommitLineEdit *connection_[6] = {};
    QCheckBox *backupChannel_ = nullptr;
    QCheckBox *backupConnection_ = nullptr;
    QLabel *logo_ = nullptr;
    QTableView *pollList_ = nullptr;
    IORecListModel *rows_ = nullptr;
    int viewKey_ = 0;
};
