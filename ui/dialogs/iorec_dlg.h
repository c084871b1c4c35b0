#pragma once
// The poll record dialog "Poll Record Edit" (template 5202): start and end address, length, data
// type, poll time, access time, exception type and dead band of the current device's current poll
// record. Edits go to a working copy, each field committed through the model when the focus leaves
// it; OK writes the copy back, Cancel drops it, Delete empties the record for the view to remove, and
// New starts a further record in the same dialog.
#include "model/iorec_fields.h"
#include "ui/dialogs/form_dialog.h"

#include <array>
#include <memory>

class BitmapButton;
class CDevice;
class CDidDoc;
class CDrvSpecificIORec;
class CommitLineEdit;
class QComboBox;
class QLabel;

class CIORecDlg : public FormDialog
{
    Q_OBJECT
public:
    // Edits the current poll record of the current channel's current device.
    explicit CIORecDlg(CDidDoc *doc, QWidget *parent = nullptr);
    ~CIORecDlg() override;

    // Set when the dialog ended through New and OK: the device's current poll record is then the
    // record OK appended.
    bool NewRecordFlag() const { return newRecord_; }

    // OK and Cancel act only while their button has the focus.
    void accept() override;
    void reject() override;

private:
    void buildControls();
    // Takes a fresh working copy (the stored record's, or the device's defaults in new-record mode),
    // fills the drop-downs for its family and loads the fields.
    void initialise();
    void fillDropDowns();
    void loadFields();
    // What the field shows for the working copy.
    QString fieldText(IORecField field) const;
    CommitLineEdit *edit(IORecField field) const;
    void commit(IORecField field);
    void dataTypeChosen(int index);
    void exceptionTypeChosen(int index);
    void startNewRecord();
    void deleteRecord();

    CDidDoc *doc_;
    CDevice *device_;
    CDrvSpecificIORec *stored_; // the record the dialog was opened on
    bool newRecord_ = false;
    std::unique_ptr<CDrvSpecificIORec> work_;

    // Edits by IORecField (None unused).
    std::array<CommitLineEdit *, 7> edits_{};
    QComboBox *dataType_ = nullptr;
    QComboBox *exceptionType_ = nullptr;
    QLabel *deadBandLabel_ = nullptr;
    BitmapButton *ok_ = nullptr;
    BitmapButton *cancel_ = nullptr;
};
