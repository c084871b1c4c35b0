#include "ui/views/cfg_dlg.h"

#include "document/did_doc.h"
#include "document/new_objects.h"
#include "model/channel.h"
#include "model/device_rules.h"
#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_defaults.h"
#include "model/number_text.h"
#include "model/plc_type_change.h"
#include "model/string_table.h"
#include "platform/ui_services.h"
#include "ui/app/qt_ui_services.h"
#include "ui/dialogs/com_dlg.h"
#include "ui/dialogs/dev_name_dlg.h"
#include "ui/dialogs/iorec_dlg.h"
#include "ui/views/iorec_list_model.h"
#include "ui/widgets/combo_list.h"
#include "ui/widgets/commit_line_edit.h"
#include "ui/widgets/dialog_units.h"
#include "ui/widgets/grey_form.h"
#include "ui/widgets/icons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <memory>
#include <vector>

namespace
{

int g_currentChannelIndex = 0;

constexpr int kMaxChannels = 16;

// The six connection fields: control id, typing limit and whether the text is upper-cased. The two
// address fields take their limit from the channel's protocol when a device is shown.
struct ConnectionField {
    const char *id;
    int typingLimit;
    bool upperCase;
};
constexpr ConnectionField kConnectionFields[6] = {
    {"2007", 12, false}, {"2008", 8, true}, {"2009", 8, true},
    {"2025", 0, false},  {"2026", 0, true}, {"2027", 0, true},
};
constexpr int kPrimaryAddressField = 0;
constexpr int kBackupAddressField = 3;

std::string ConnectionText(const CDrvSpecificDevice &d, int field)
{
    switch (field) {
    case 0:
        return d.GetAddressText(0);
    case 1:
        return d.GetReadTsap();
    case 2:
        return d.GetWriteTsap();
    case 3:
        return d.GetAddressText(1);
    case 4:
        return d.GetBackupReadTsap();
    default:
        return d.GetBackupWriteTsap();
    }
}

// 1 when the device took the text.
int SetConnection(CDrvSpecificDevice &d, int field, const std::string &text)
{
    switch (field) {
    case 0:
        return d.SetAddress(text, 0);
    case 1:
        return d.SetReadTsap(text);
    case 2:
        return d.SetWriteTsap(text);
    case 3:
        return d.SetAddress(text, 1);
    case 4:
        return d.SetBackupReadTsap(text);
    default:
        return d.SetBackupWriteTsap(text);
    }
}

QString Q(const std::string &s)
{
    return QString::fromStdString(s);
}

kvz::MsgResult AskYesNo(int id)
{
    kvz::MessageRequest request;
    request.id = id;
    request.text = LoadModelString(id);
    request.buttons = kvz::MsgButtons::YesNo;
    request.icon = kvz::MsgIcon::Question;
    return kvz::Ui().ShowMessage(request);
}

// The poll record list: a double click reports where it happened, also below the last row.
class PollRecordTable : public QTableView
{
public:
    using QTableView::QTableView;
    std::function<void(const QPoint &)> onDoubleClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && onDoubleClick) {
            onDoubleClick(event->position().toPoint());
            event->accept();
            return;
        }
        QTableView::mouseDoubleClickEvent(event);
    }
};

} // namespace

int CurrentChannelIndex()
{
    return g_currentChannelIndex;
}

CCfgDlg::CCfgDlg(CDidDoc *document, QWidget *parent) : QWidget(parent), doc_(document)
{
    setObjectName(QStringLiteral("5200"));
    BuildForm();
    if (QtUiServices *ui = QtUiServices::Instance())
        viewKey_ = ui->AddView([this](int hint) { OnUpdate(hint); });
}

CCfgDlg::~CCfgDlg()
{
    if (QtUiServices *ui = QtUiServices::Instance())
        ui->RemoveView(viewKey_);
}

void CCfgDlg::BuildForm()
{
    setFont(FormFont());
    PaintGrey(this);

    auto group = [this](const char *title) {
        auto *g = new QGroupBox(QString::fromLatin1(title), this);
        return g;
    };
    auto label = [this](const char *text, const char *name) {
        auto *l = new QLabel(QString::fromLatin1(text), this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    group("PLC Device List")->setObjectName(QStringLiteral("deviceGroup"));
    group("Primary Device Connection")->setObjectName(QStringLiteral("primaryGroup"));
    group("Backup Channel")->setObjectName(QStringLiteral("backupChannelGroup"));
    group("Backup Device Connection (Optional)")->setObjectName(QStringLiteral("backupGroup"));

    deviceList_ = new QListWidget(this);
    deviceList_->setObjectName(QStringLiteral("2004"));
    deviceList_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(deviceList_, &QListWidget::currentRowChanged, this, &CCfgDlg::OnSelectDevice);

    addButton_ = new QPushButton(QStringLiteral("Add"), this);
    addButton_->setObjectName(QStringLiteral("2019"));
    addButton_->setAutoDefault(false);
    connect(addButton_, &QPushButton::clicked, this, &CCfgDlg::OnAddDevice);
    deleteButton_ = new QPushButton(QStringLiteral("Delete"), this);
    deleteButton_->setObjectName(QStringLiteral("2020"));
    deleteButton_->setAutoDefault(false);
    connect(deleteButton_, &QPushButton::clicked, this, &CCfgDlg::OnDeleteDevice);

    label("Device Name:", "nameLabel");
    name_ = new CommitLineEdit(this);
    name_->setObjectName(QStringLiteral("2005"));
    name_->setUpperCase(true);
    name_->setTypingLimit(static_cast<int>(kDeviceNameMaxLength));
    connect(name_, &CommitLineEdit::focusLost, this, &CCfgDlg::OnRenameDevice);

    label("PLC Type", "plcTypeLabel");
    plcType_ = new QComboBox(this);
    plcType_->setObjectName(QStringLiteral("2024"));
    plcType_->setMaxVisibleItems(10);
    connect(plcType_, &QComboBox::activated, this, &CCfgDlg::OnChangePlcType);

    label("Description:", "descriptionLabel");
    description_ = new CommitLineEdit(this);
    description_->setObjectName(QStringLiteral("2006"));
    description_->setTypingLimit(static_cast<int>(kDeviceDescriptionMaxLength));
    connect(description_, &CommitLineEdit::focusLost, this, &CCfgDlg::OnSetDescription);

    for (const char *prefix : {"primary", "backup"}) {
        label("Address:", (std::string(prefix) + "AddressLabel").c_str());
        label("Read TSAP  ", (std::string(prefix) + "ReadLabel").c_str());
        label("Write TSAP", (std::string(prefix) + "WriteLabel").c_str());
    }
    for (int i = 0; i < 6; ++i) {
        auto *edit = new CommitLineEdit(this);
        edit->setObjectName(QString::fromLatin1(kConnectionFields[i].id));
        edit->setTypingLimit(kConnectionFields[i].typingLimit);
        connect(edit, &CommitLineEdit::focusLost, this, [this, i] { OnCommitConnection(i); });
        connection_[i] = edit;
    }

    backupChannel_ = new QCheckBox(QStringLiteral("Enable"), this);
    backupChannel_->setObjectName(QStringLiteral("2028"));
    connect(backupChannel_, &QCheckBox::clicked, this, &CCfgDlg::OnToggleBackupChannel);
    backupConnection_ = new QCheckBox(QStringLiteral("Enable"), this);
    backupConnection_->setObjectName(QStringLiteral("2032"));
    connect(backupConnection_, &QCheckBox::clicked, this, &CCfgDlg::OnToggleBackupConnection);

    logo_ = new QLabel(this);
    logo_->setObjectName(QStringLiteral("926"));
    logo_->setAlignment(Qt::AlignCenter);

    rows_ = new IORecListModel(this);
    auto *table = new PollRecordTable(this);
    table->onDoubleClick = [this](const QPoint &pos) { OnPollRecordDoubleClick(pos); };
    pollList_ = table;
    pollList_->setObjectName(QStringLiteral("5010"));
    pollList_->setModel(rows_);
    pollList_->setSelectionMode(QAbstractItemView::SingleSelection);
    pollList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    pollList_->setShowGrid(true);
    pollList_->setWordWrap(false);
    pollList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pollList_->verticalHeader()->hide();
    pollList_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    pollList_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    pollList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    pollList_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pollList_->horizontalHeader()->setHighlightSections(false);
    pollList_->setIconSize(QSize(16, 16));
    pollList_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QPalette white = pollList_->palette();
    white.setColor(QPalette::Base, Qt::white);
    pollList_->setPalette(white);

    LayOut();
}

QSize CCfgDlg::FormSize() const
{
    DialogUnits du(font());
    return du.size(kFormWidth, kFormHeight);
}

void CCfgDlg::LayOut()
{
    DialogUnits du(font());
    auto place = [&](const char *name, int x, int y, int w, int h) {
        if (auto *w0 = findChild<QWidget *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly))
            w0->setGeometry(du.rect(x, y, w, h));
    };
    place("deviceGroup", 0, 0, 85, 105);
    place("2004", 5, 13, 74, 69);
    place("2019", 5, 85, 37, 15);
    place("2020", 48, 85, 33, 15);
    place("nameLabel", 101, 6, 68, 9);
    place("2005", 101, 16, 68, 12);
    place("plcTypeLabel", 179, 6, 78, 9);
    place("2024", 179, 16, 78, 12);
    place("descriptionLabel", 264, 6, 158, 9);
    place("2006", 264, 16, 158, 12);
    place("primaryGroup", 95, 30, 240, 35);
    place("primaryAddressLabel", 101, 40, 68, 9);
    place("primaryReadLabel", 179, 40, 77, 9);
    place("primaryWriteLabel", 264, 40, 63, 9);
    place("2007", 101, 50, 68, 12);
    place("2008", 179, 50, 77, 12);
    place("2009", 264, 50, 63, 12);
    place("backupChannelGroup", 343, 30, 80, 35);
    place("2028", 364, 41, 40, 17);
    place("backupGroup", 95, 65, 328, 35);
    place("backupAddressLabel", 101, 75, 68, 9);
    place("backupReadLabel", 179, 75, 77, 9);
    place("backupWriteLabel", 264, 75, 64, 9);
    place("2025", 101, 85, 68, 12);
    place("2026", 179, 85, 77, 12);
    place("2027", 264, 85, 64, 12);
    place("2032", 364, 77, 40, 17);
    place("926", 436, 14, 100, 81);
    logo_->setPixmap(Icons::Logo(logo_->size()));

    // The list keeps its place and grows with the window.
    const QRect list = du.rect(0, 109, kFormWidth, 102);
    pollList_->setGeometry(list.x(), list.y(), std::max(list.width(), width()),
                           std::max(list.height(), height() - list.y()));
    // Nine equal columns that fit beside a vertical scroll bar, so no horizontal one is needed.
    const int usable = pollList_->width() - 2 * pollList_->frameWidth() -
                       pollList_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pollList_);
    const int columnWidth = usable / IORecListModel::kColumns;
    pollList_->horizontalHeader()->setDefaultSectionSize(columnWidth);
    for (int c = 0; c < IORecListModel::kColumns; ++c)
        pollList_->horizontalHeader()->resizeSection(c, columnWidth);
}

void CCfgDlg::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

CChannel *CCfgDlg::Channel() const
{
    return doc_->m_pCurrentChannel;
}

CDrvSpecificDevice *CCfgDlg::ShownDevice() const
{
    CChannel *channel = Channel();
    return channel ? dynamic_cast<CDrvSpecificDevice *>(channel->GetCurrentDevice()) : nullptr;
}

void CCfgDlg::OnInitialUpdate()
{
    rows_->Clear();
    EnsureChannel();
    // Showing the device fills the poll record list: filling it before as well would do it twice.
    FillDeviceList();
    FillComboFromDictionary(plcType_, KVZ_hw_options_dct);
    ShowDevice();
    FocusDeviceName();
}

void CCfgDlg::FocusDeviceName()
{
    name_->setFocus(Qt::OtherFocusReason);
    name_->selectAll();
}

void CCfgDlg::OnUpdate(int hint)
{
    if (hint == 0)
        return;
    EnsureChannel();
    FillDeviceList();
    ShowDevice();
    name_->setFocus(Qt::OtherFocusReason);
}

void CCfgDlg::EnsureChannel()
{
    if (doc_->m_ChannelList.empty())
        doc_->m_ChannelList.push_back(NewChannel());
    g_currentChannelIndex = 0;
    doc_->SetCurrentChannel(doc_->m_ChannelList.front().get());
}

CDrvSpecificDevice *CCfgDlg::AddDefaultDevice(CChannel &channel)
{
    CDevice *device = channel.AddDevice(NewDevice(&channel));
    device->SetName(DefaultDeviceName(g_currentChannelIndex, channel.DeviceCount()));
    channel.SetCurrentDevice(device);
    return dynamic_cast<CDrvSpecificDevice *>(device);
}

void CCfgDlg::SelectListRow(int row)
{
    const bool blocked = deviceList_->blockSignals(true);
    deviceList_->setCurrentRow(row);
    deviceList_->blockSignals(blocked);
}

void CCfgDlg::FillDeviceList()
{
    const bool blocked = deviceList_->blockSignals(true);
    deviceList_->clear();
    CChannel *channel = Channel();
    if (channel) {
        if (channel->DeviceCount() == 0)
            AddDefaultDevice(*channel);
        QStringList names;
        names.reserve(static_cast<qsizetype>(channel->DeviceCount()));
        for (const auto &device : channel->Devices())
            names << Q(device->GetName());
        deviceList_->addItems(names);
        channel->SetCurrentDevice(channel->Devices().front().get());
        deviceList_->setCurrentRow(0);
    }
    deviceList_->blockSignals(blocked);
}

void CCfgDlg::FillPollRecordList()
{
    rows_->BeginBatch();
    rows_->Clear();
    if (CDrvSpecificDevice *device = ShownDevice()) {
        int row = 0;
        for (const auto &record : device->IORecs())
            record->ShowInList(row++, *rows_);
    }
    rows_->EndBatch();
}

void CCfgDlg::RefillPollRecords()
{
    FillPollRecordList();
}

void CCfgDlg::ShowDevice()
{
    CDrvSpecificDevice *device = ShownDevice();
    CChannel *channel = Channel();
    if (!device || !channel)
        return;
    bound_.name = device->GetName();
    bound_.description = device->GetDescription();
    for (int i = 0; i < 6; ++i)
        bound_.connection[i] = ConnectionText(*device, i);

    name_->setText(Q(bound_.name));
    description_->setText(Q(bound_.description));
    // The address fields take what the channel's protocol can hold (an IPv4 address is longer than
    // an Ethernet address).
    for (int i : {kPrimaryAddressField, kBackupAddressField})
        connection_[i]->setTypingLimit(device->AddressTypingLimit());
    for (int i = 0; i < 6; ++i)
        connection_[i]->setText(Q(bound_.connection[i]));
    const bool blocked = plcType_->blockSignals(true);
    plcType_->setCurrentIndex(device->GetPlcTypeIndex() < plcType_->count() ? device->GetPlcTypeIndex() : -1);
    plcType_->blockSignals(blocked);
    backupChannel_->setChecked(device->GetBackupChannelEnabled());
    backupConnection_->setChecked(device->GetBackupConnectionEnabled());
    addButton_->setEnabled(channel->DeviceCount() <= kAddDeviceEnabledUpTo);
    FillPollRecordList();
}

void CCfgDlg::OnSelectChannel(int channel)
{
    if (channel < 1 || channel > kMaxChannels)
        return;
    g_currentChannelIndex = channel - 1;
    while (doc_->m_ChannelList.size() < static_cast<size_t>(channel))
        doc_->m_ChannelList.push_back(NewChannel());
    CChannel *shown = doc_->m_ChannelList[static_cast<size_t>(channel - 1)].get();
    doc_->SetCurrentChannel(shown);
    if (shown->DeviceCount() == 0)
        AddDefaultDevice(*shown);
    shown->SetCurrentDevice(shown->Devices().front().get());
    FillDeviceList();
    ShowDevice();
}

void CCfgDlg::OnSelectDevice(int row)
{
    CChannel *channel = Channel();
    if (!channel || row < 0 || static_cast<size_t>(row) >= channel->DeviceCount())
        return;
    channel->SetCurrentDevice(channel->Devices()[static_cast<size_t>(row)].get());
    ShowDevice();
}

void CCfgDlg::OnRenameDevice()
{
    CDrvSpecificDevice *device = ShownDevice();
    if (!device)
        return;
    const int row = deviceList_->currentRow();
    const std::string text = name_->text().toStdString();
    switch (CheckDeviceRename(*device, text)) {
    case DeviceNameCheck::Unchanged:
        return;
    case DeviceNameCheck::BadCharacters:
        ShowDevice();
        name_->focusAndSelectAll();
        return;
    case DeviceNameCheck::Empty:
        doc_->SetModifiedFlag();
        return;
    case DeviceNameCheck::Duplicate:
        if (QListWidgetItem *item = deviceList_->item(row))
            name_->setText(item->text());
        name_->focusAndSelectAll();
        return;
    case DeviceNameCheck::Accepted:
        break;
    }
    if (QListWidgetItem *item = deviceList_->item(row))
        item->setText(Q(text));
    device->SetName(text);
    SelectListRow(row);
    ShowDevice();
    doc_->SetModifiedFlag();
}

void CCfgDlg::OnSetDescription()
{
    CDrvSpecificDevice *device = ShownDevice();
    if (!device)
        return;
    const std::string text = description_->text().toStdString();
    if (text == device->GetDescription())
        return;
    doc_->SetModifiedFlag();
    device->SetDescription(text);
    bound_.description = device->GetDescription();
}

void CCfgDlg::OnCommitConnection(int field)
{
    CDrvSpecificDevice *device = ShownDevice();
    if (!device)
        return;
    // The field is compared with the device's own value, as the commit would store it: a field only
    // passed through, or typed again in other case, changes nothing.
    const std::string old = ConnectionText(*device, field);
    std::string text = connection_[field]->text().toStdString();
    if (text == old)
        return;
    if (kConnectionFields[field].upperCase)
        text = model::UpperCasedAscii(text);
    if (text == old) {
        if (connection_[field]->text() != Q(old))
            connection_[field]->setText(Q(old));
        return;
    }
    doc_->SetModifiedFlag();
    if (SetConnection(*device, field, text) == 0) {
        connection_[field]->setText(Q(old));
        ShowDevice();
        connection_[field]->focusAndSelectAll();
        return;
    }
    ShowDevice();
}

void CCfgDlg::OnChangePlcType(int index)
{
    CDrvSpecificDevice *device = ShownDevice();
    if (!device || index < 0)
        return;
    switch (ChangePlcType(*device, static_cast<uint16_t>(index))) {
    case PlcTypeChange::Unchanged:
        return;
    case PlcTypeChange::Refused:
        ShowDevice();
        return;
    case PlcTypeChange::KeptPollRecords:
        doc_->SetModifiedFlag();
        return;
    case PlcTypeChange::KeptPollRecordsTsaps:
    case PlcTypeChange::ReplacedPollRecords:
        doc_->SetModifiedFlag();
        ShowDevice();
        return;
    }
}

void CCfgDlg::OnAddDevice()
{
    CChannel *channel = Channel();
    if (!channel)
        return;
    CDevice *previous = channel->GetCurrentDevice();
    CDevice *added = channel->AddDevice(NewDevice(channel));
    CDevNameDlg dialog(this);
    dialog.SetName(ProposedDeviceName(g_currentChannelIndex, *channel));
    if (dialog.exec() != QDialog::Accepted || dialog.Name().empty()) {
        channel->RemoveDevice(added);
        channel->SetCurrentDevice(previous);
        return;
    }
    added->SetName(dialog.Name());
    deviceList_->addItem(Q(added->GetName()));
    SelectListRow(deviceList_->count() - 1);
    channel->SetCurrentDevice(added);
    if (auto *device = dynamic_cast<CDrvSpecificDevice *>(added))
        AddFirstPollRecord(*device, FirstRecordFor::NewDevice);
    ShowDevice();
    doc_->SetModifiedFlag();
}

void CCfgDlg::OnDeleteDevice()
{
    CChannel *channel = Channel();
    CDrvSpecificDevice *device = ShownDevice();
    if (!channel || !device)
        return;
    if (device->IORecCount() > 0) {
        if (AskYesNo(10300) != kvz::MsgResult::Yes)
            return;
        while (device->IORecCount() > 0)
            device->RemoveIORec(device->IORecs().back().get());
    }
    int row = deviceList_->currentRow();
    {
        const bool blocked = deviceList_->blockSignals(true);
        delete deviceList_->takeItem(row);
        deviceList_->blockSignals(blocked);
    }
    channel->RemoveDevice(device);
    if (channel->DeviceCount() == 0) {
        CDrvSpecificDevice *fresh = AddDefaultDevice(*channel);
        const bool blocked = deviceList_->blockSignals(true);
        deviceList_->addItem(Q(fresh->GetName()));
        deviceList_->blockSignals(blocked);
    }
    row = std::clamp(row - 1, 0, static_cast<int>(channel->DeviceCount()) - 1);
    channel->SetCurrentDevice(channel->Devices()[static_cast<size_t>(row)].get());
    SelectListRow(row);
    ShowDevice();
    doc_->SetModifiedFlag();
}

void CCfgDlg::OnToggleBackupChannel()
{
    if (CDrvSpecificDevice *device = ShownDevice()) {
        device->FlipBackupChannelEnabled();
        // The flag is saved with the device: an unsaved flip must not be closed away without a word.
        doc_->SetModifiedFlag();
    }
}

void CCfgDlg::OnToggleBackupConnection()
{
    if (CDrvSpecificDevice *device = ShownDevice()) {
        device->FlipBackupConnectionEnabled();
        doc_->SetModifiedFlag();
    }
}

void CCfgDlg::OnChannelSetup()
{
    CChannel *channel = Channel();
    if (!channel)
        return;
    if (!channel->GetCurrentDevice()) {
        CDrvSpecificDevice *device = AddDefaultDevice(*channel);
        deviceList_->addItem(Q(device->GetName()));
        SelectListRow(deviceList_->count() - 1);
    }
    CComDlg dialog(doc_, g_currentChannelIndex, this);
    // A new protocol changes what the address fields take and may have given devices its default
    // address: the device is shown again as it will be saved.
    if (dialog.exec() == QDialog::Accepted)
        ShowDevice();
}

void CCfgDlg::OnPollRecordDoubleClick(const QPoint &pos)
{
    CDrvSpecificDevice *device = ShownDevice();
    if (!device)
        return;
    const QModelIndex hit = pollList_->indexAt(pos);
    int row;
    CIORec *created = nullptr; // the record made for a click below the last row
    if (hit.isValid() && static_cast<size_t>(hit.row()) < device->IORecCount()) {
        row = hit.row();
        device->SetCurrentIORec(device->IORecs()[static_cast<size_t>(row)].get());
    } else {
        row = static_cast<int>(device->IORecCount());
        created = device->AddIORec(NewPollRecordFor(device));
    }
    pollList_->selectionModel()->setCurrentIndex(rows_->index(std::min(row, rows_->rowCount() - 1), 0),
                                                 QItemSelectionModel::NoUpdate);

    CIORecDlg dialog(doc_, this);
    dialog.exec();

    // However the dialog ended, a record without a length that the click or the dialog made (or that
    // Delete emptied) is no poll record: it goes, so the list shows no blank row the file would hold.
    CIORec *current = device->GetCurrentIORec();
    std::vector<std::unique_ptr<CIORec>> removed;
    for (CIORec *record : {created, current})
        if (record != nullptr && record->GetLength() == 0)
            if (auto owned = device->RemoveIORec(record))
                removed.push_back(std::move(owned));
    current = device->GetCurrentIORec(); // null when it went
    if (!removed.empty() || current == nullptr) {
        FillPollRecordList();
        const auto &records = device->IORecs();
        auto at =
            std::find_if(records.begin(), records.end(), [&](const auto &r) { return r.get() == current; });
        if (at != records.end())
            pollList_->selectRow(static_cast<int>(at - records.begin()));
        return;
    }
    const int shownRow = dialog.NewRecordFlag() ? static_cast<int>(device->IORecCount()) - 1 : row;
    current->ShowInList(shownRow, *rows_);
    pollList_->selectRow(shownRow);
}
