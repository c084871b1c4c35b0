#include "ui/dialogs/iorec_dlg.h"

#include "document/did_doc.h"
#include "model/channel.h"
#include "model/dictionaries.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_defaults.h"
#include "model/tree_state.h"
#include "ui/app/context_help.h"
#include "ui/widgets/bitmap_button.h"
#include "ui/widgets/combo_list.h"
#include "ui/widgets/commit_line_edit.h"
#include "ui/widgets/icons.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>

namespace
{

constexpr int kTemplateId = 5202;
constexpr int kStartAddressId = 2011;
constexpr int kEndAddressId = 2012;
constexpr int kLengthId = 2013;
constexpr int kDataTypeId = 2014;
constexpr int kPollTimeId = 2015;
constexpr int kAccessTimeId = 2016;
constexpr int kExceptionTypeId = 2017;
constexpr int kDeadBandId = 2018;
constexpr int kDeadBandLabelId = 2021;
constexpr int kAccessTimeLabelId = 2022;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kNewId = 2029;
constexpr int kDeleteId = 2030;
constexpr int kHelpId = 57671;
constexpr int kDeadBandTypingLimit = 7;

// Three columns of fields in every group: an icon, then the field with its label above. The first
// column holds the longest texts (DB addresses, the S5 data type), the last the shortest.
constexpr int kColumn[] = {12, 97, 167};
constexpr int kFieldWidth[] = {70, 55, 43};
constexpr int kIconWidth = 9;
constexpr int kFieldOffset = 11;

CDevice *CurrentDevice()
{
    CChannel *channel = GetCurrentChannel();
    return channel != nullptr ? channel->GetCurrentDevice() : nullptr;
}

CDrvSpecificIORec *CurrentRecord(CDevice *device)
{
    return device != nullptr ? dynamic_cast<CDrvSpecificIORec *>(device->GetCurrentIORec()) : nullptr;
}

// The exception types the dialog offers: S7 controllers know only "Disabled".
Dictionary ExceptionDictionaryOf(int16_t family)
{
    switch (family) {
    case 0:
    case 2:
        return KVZ_Exception_dct;
    case 1:
    case 3:
        return S7_Exception_dct;
    default:
        return {};
    }
}

size_t Slot(IORecField field)
{
    return static_cast<size_t>(field);
}

QString Text(const std::string &s)
{
    return QString::fromStdString(s);
}

void SelectRow(QComboBox &combo, int row)
{
    const QSignalBlocker quiet(combo);
    combo.setCurrentIndex(row < combo.count() ? row : -1);
}

} // namespace

CIORecDlg::CIORecDlg(CDidDoc *doc, QWidget *parent)
    : FormDialog(kTemplateId, QStringLiteral("Poll Record Edit"), 233, 167, parent), doc_(doc),
      device_(CurrentDevice()), stored_(CurrentRecord(device_)), newRecord_(stored_ == nullptr)
{
    buildControls();
    paintGrey(true);
    edit(IORecField::DeadBand)->setTypingLimit(kDeadBandTypingLimit);
    initialise();
    edit(IORecField::StartAddress)->focusAndSelectAll();
}

CIORecDlg::~CIORecDlg() = default;

void CIORecDlg::buildControls()
{
    auto iconBeside = [this](int resource, int column, int y) {
        auto *icon = place(new QLabel(this), kColumn[column], y, kIconWidth, 12);
        icon->setPixmap(Icons::Resource(resource).pixmap(16, 16));
        icon->setAlignment(Qt::AlignCenter);
        icon->setObjectName(QStringLiteral("icon%1").arg(resource));
    };
    auto labelAbove = [this](const QString &text, int column, int y, int id = 0) {
        return place(new QLabel(text, this), kColumn[column] + kFieldOffset, y, kFieldWidth[column], 8, id);
    };
    auto editAt = [this](IORecField field, int column, int y, int id) {
        auto *e =
            place(new CommitLineEdit(this), kColumn[column] + kFieldOffset, y, kFieldWidth[column], 12, id);
        edits_[Slot(field)] = e;
        connect(e, &CommitLineEdit::focusLost, this, [this, field] { commit(field); });
    };

    place(new QGroupBox(QStringLiteral("I/O Address"), this), 7, 4, 219, 39);
    labelAbove(QStringLiteral("Start Address"), 0, 15);
    labelAbove(QStringLiteral("End Address"), 1, 15);
    labelAbove(QStringLiteral("Length"), 2, 15);
    iconBeside(5104, 0, 25);
    editAt(IORecField::StartAddress, 0, 25, kStartAddressId);
    iconBeside(5105, 1, 25);
    editAt(IORecField::EndAddress, 1, 25, kEndAddressId);
    iconBeside(5106, 2, 25);
    editAt(IORecField::Length, 2, 25, kLengthId);

    place(new QGroupBox(QStringLiteral("Block Configuration"), this), 7, 47, 219, 39);
    labelAbove(QStringLiteral("Data Type"), 0, 58);
    labelAbove(QStringLiteral("Poll Time"), 1, 58);
    labelAbove(QStringLiteral("Access Time:"), 2, 58, kAccessTimeLabelId);
    iconBeside(5102, 0, 68);
    dataType_ = place(new QComboBox(this), kColumn[0] + kFieldOffset, 68, kFieldWidth[0], 12, kDataTypeId);
    iconBeside(5103, 1, 68);
    editAt(IORecField::PollTime, 1, 68, kPollTimeId);
    editAt(IORecField::AccessTime, 2, 68, kAccessTimeId);

    place(new QGroupBox(QStringLiteral("Exception"), this), 7, 90, 219, 39);
    labelAbove(QStringLiteral("Exception Type:"), 0, 101);
    deadBandLabel_ = labelAbove(QStringLiteral("Dead Band:"), 1, 101, kDeadBandLabelId);
    exceptionType_ =
        place(new QComboBox(this), kColumn[0] + kFieldOffset, 111, kFieldWidth[0], 12, kExceptionTypeId);
    editAt(IORecField::DeadBand, 1, 111, kDeadBandId);

    ok_ = addButton(kOkId, QStringLiteral("OK"), QStringLiteral("OK"), 7, 141, 40, 16);
    cancel_ = addButton(kCancelId, QStringLiteral("CANCEL"), QStringLiteral("Cancel"), 52, 141, 40, 16);
    auto *newButton = addButton(kNewId, QStringLiteral("NEW"), QStringLiteral("New"), 97, 141, 40, 16);
    auto *deleteButton =
        addButton(kDeleteId, QStringLiteral("DELETE"), QStringLiteral("Delete"), 142, 141, 40, 16);
    auto *help = addButton(kHelpId, QStringLiteral("HELP"), QStringLiteral("Help"), 187, 141, 40, 16);

    // Only the user's choice counts: code that sets the row blocks the combo's signals.
    connect(dataType_, &QComboBox::activated, this, &CIORecDlg::dataTypeChosen);
    connect(exceptionType_, &QComboBox::activated, this, &CIORecDlg::exceptionTypeChosen);
    connect(ok_, &QPushButton::clicked, this, &CIORecDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CIORecDlg::reject);
    connect(newButton, &QPushButton::clicked, this, &CIORecDlg::startNewRecord);
    connect(deleteButton, &QPushButton::clicked, this, &CIORecDlg::deleteRecord);
    connect(help, &QPushButton::clicked, this, [] { ContextHelp::Open(kTemplateId); });
}

void CIORecDlg::initialise()
{
    work_ = std::make_unique<CDrvSpecificIORec>();
    if (!newRecord_)
        work_->CopySettingsFrom(*stored_);
    work_->SetDevice(device_);
    if (newRecord_)
        FillNewRecordDefaults(*work_, device_);
    fillDropDowns();
    loadFields();
}

void CIORecDlg::fillDropDowns()
{
    FillComboFromDictionary(dataType_, work_->GetDataTypeDictionary());
    FillComboFromDictionary(exceptionType_, ExceptionDictionaryOf(work_->GetPlcFamily()));
}

CommitLineEdit *CIORecDlg::edit(IORecField field) const
{
    return edits_[Slot(field)];
}

QString CIORecDlg::fieldText(IORecField field) const
{
    switch (field) {
    case IORecField::StartAddress:
        return Text(work_->GetAddressText(1));
    case IORecField::EndAddress:
        return Text(work_->GetAddressText(0));
    case IORecField::Length:
        return Text(work_->GetLengthText());
    case IORecField::PollTime:
        return Text(PollTimeFieldText(work_->GetPollTime()));
    case IORecField::AccessTime:
        return Text(AccessTimeFieldText(work_->GetAccessTime()));
    case IORecField::DeadBand:
        return Text(DeadBandFieldText(work_->GetDeadBand()));
    case IORecField::None:
        break;
    }
    return {};
}

void CIORecDlg::loadFields()
{
    for (IORecField field : {IORecField::StartAddress, IORecField::EndAddress, IORecField::Length,
                             IORecField::PollTime, IORecField::AccessTime, IORecField::DeadBand})
        edit(field)->setText(fieldText(field));
    SelectRow(*dataType_, work_->GetDataTypeIndex());
    SelectRow(*exceptionType_, work_->GetExceptionTypeIndex());
    const bool deadBand = DeadBandEnabled(*work_);
    edit(IORecField::DeadBand)->setEnabled(deadBand);
    deadBandLabel_->setEnabled(deadBand);
}

void CIORecDlg::commit(IORecField field)
{
    const QString typed = edit(field)->text();
    if (typed == fieldText(field))
        return;
    const std::string text = typed.toStdString();
    // In new-record mode the record being edited is not in the device yet: every stored record counts
    // for the overlap test.
    const CIORec *skip = newRecord_ ? nullptr : stored_;
    FieldCommit result;
    switch (field) {
    case IORecField::StartAddress:
        result = CommitStartAddress(*work_, text, skip);
        break;
    case IORecField::EndAddress:
        result = CommitEndAddress(*work_, text, skip);
        break;
    case IORecField::Length:
        result = CommitLength(*work_, text, skip);
        break;
    case IORecField::PollTime:
        result = CommitPollTime(*work_, text);
        break;
    case IORecField::AccessTime:
        result = CommitAccessTime(*work_, text);
        break;
    case IORecField::DeadBand:
        result = CommitDeadBand(*work_, text);
        break;
    case IORecField::None:
        return;
    }
    if (result.markModified && doc_ != nullptr)
        doc_->SetModifiedFlag();
    loadFields();
    if (result.refocus != IORecField::None)
        edit(result.refocus)->focusAndSelectAll();
}

void CIORecDlg::dataTypeChosen(int index)
{
    if (index < 0 || index == work_->GetDataTypeIndex())
        return;
    work_->AdjustDataType(static_cast<uint16_t>(index));
    loadFields();
}

void CIORecDlg::exceptionTypeChosen(int index)
{
    if (index < 0 || index == work_->GetExceptionTypeIndex())
        return;
    ApplyExceptionType(*work_, static_cast<uint16_t>(index));
    loadFields();
}

void CIORecDlg::startNewRecord()
{
    if (work_->GetLength() == 0)
        return;
    // The copy's unsaved edits go; the record the dialog was opened on keeps its stored values.
    newRecord_ = true;
    initialise();
    edit(IORecField::StartAddress)->focusAndSelectAll();
}

void CIORecDlg::deleteRecord()
{
    if (newRecord_) {
        // A record started with New is not stored yet: deleting it drops it and leaves the record
        // the dialog was opened on alone.
        newRecord_ = false;
        FormDialog::reject();
        return;
    }
    stored_->SetLengthValue(0);
    work_->CopySettingsFrom(*stored_);
    if (doc_ != nullptr)
        doc_->SetModifiedFlag();
    FormDialog::accept();
}

void CIORecDlg::accept()
{
    if (!focusIsOn(ok_))
        return;
    CDrvSpecificIORec *target = stored_;
    if (newRecord_ && device_ != nullptr) {
        auto record = NewPollRecordFor(device_);
        target = record.get();
        device_->AddIORec(std::move(record)); // appended and made current
    }
    if (target != nullptr && !work_->CompareSettings(*target)) {
        target->CopySettingsFrom(*work_);
        if (doc_ != nullptr)
            doc_->SetModifiedFlag();
    }
    FormDialog::accept();
}

void CIORecDlg::reject()
{
    if (!focusIsOn(cancel_))
        return;
    newRecord_ = false;
    FormDialog::reject();
}
