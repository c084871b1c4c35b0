#include "ui/dialogs/com_dlg.h"

#include "document/did_doc.h"
#include "model/channel_fields.h"
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/protocol_change.h"
#include "ui/app/context_help.h"
#include "ui/widgets/bitmap_button.h"
#include "ui/widgets/combo_list.h"
#include "ui/widgets/commit_line_edit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <vector>

namespace
{

constexpr int kTemplateId = 5201;
constexpr int kReplyTimeoutId = 2001;
constexpr int kDelayId = 2002;
constexpr int kRetriesId = 2003;
constexpr int kProtocolId = 2031;
constexpr int kAdapterId = 2032;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kHelpId = 57671;

CDrvSpecificChannel *ChannelOf(CDidDoc *doc, int index)
{
    if (doc != nullptr && index >= 0 && static_cast<size_t>(index) < doc->m_ChannelList.size())
        return dynamic_cast<CDrvSpecificChannel *>(doc->m_ChannelList[index].get());
    return dynamic_cast<CDrvSpecificChannel *>(GetCurrentChannel());
}

QString Text(const std::string &s)
{
    return QString::fromStdString(s);
}

} // namespace

CComDlg::CComDlg(CDidDoc *doc, int channelIndex, QWidget *parent)
    : FormDialog(kTemplateId, QStringLiteral("Channel %1 Communication Settings").arg(channelIndex + 1), 233,
                 212, parent),
      doc_(doc), channel_(ChannelOf(doc, channelIndex)), work_(std::make_unique<CDrvSpecificChannel>())
{
    if (channel_ != nullptr)
        work_->CopySettingsFrom(*channel_);
    buildControls();
    paintGrey(true);

    FillComboFromDictionary(protocol_, Protocol_dct);
    // The list is sorted; the row of the channel's protocol is found by its value.
    protocol_->model()->sort(0);
    protocol_->setCurrentIndex(protocol_->findData(DictValueAt(Protocol_dct, work_->GetProtocolIndex())));

    loadFields();
    replyTimeout_->focusAndSelectAll();
}

CComDlg::~CComDlg() = default;

void CComDlg::buildControls()
{
    place(new QGroupBox(QStringLiteral("Error Handling"), this), 7, 4, 219, 64);
    place(new QLabel(QStringLiteral("Reply Timeout:"), this), 16, 19, 60, 8);
    replyTimeout_ = place(new CommitLineEdit(this), 80, 17, 56, 12, kReplyTimeoutId);
    place(new QLabel(QStringLiteral("Delay:"), this), 16, 35, 60, 8);
    delay_ = place(new CommitLineEdit(this), 80, 33, 56, 12, kDelayId);
    place(new QLabel(QStringLiteral("Retries:"), this), 16, 51, 60, 8);
    retries_ = place(new CommitLineEdit(this), 80, 49, 56, 12, kRetriesId);

    place(new QGroupBox(QStringLiteral("Protocol"), this), 7, 74, 219, 34);
    protocol_ = place(new QComboBox(this), 16, 87, 120, 13, kProtocolId);

    place(new QGroupBox(QStringLiteral("Link to Network Adapter (ONLY ISO)"), this), 7, 114, 219, 68);
    adapter_ = place(new CommitLineEdit(this), 16, 128, 201, 12, kAdapterId);
    auto *explanation = place(new QLabel(QStringLiteral("type the unique name of the adapter at least 10 "
                                                        "characters or if multiple such adapers full name "
                                                        "OR make sure only one is enabled for Siemens ISO "
                                                        "transport"),
                                         this),
                              16, 145, 201, 32);
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ok_ = addButton(kOkId, QStringLiteral("OK"), QStringLiteral("OK"), 24, 190, 54, 16);
    cancel_ = addButton(kCancelId, QStringLiteral("CANCEL"), QStringLiteral("Cancel"), 89, 190, 54, 16);
    auto *help = addButton(kHelpId, QStringLiteral("HELP"), QStringLiteral("Help"), 154, 190, 54, 16);

    connect(replyTimeout_, &CommitLineEdit::focusLost, this, &CComDlg::commitReplyTimeout);
    connect(delay_, &CommitLineEdit::focusLost, this, &CComDlg::commitDelay);
    connect(retries_, &CommitLineEdit::focusLost, this, &CComDlg::commitRetries);
    connect(ok_, &QPushButton::clicked, this, &CComDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CComDlg::reject);
    connect(help, &QPushButton::clicked, this, [] { ContextHelp::Open(kTemplateId); });
}

void CComDlg::loadFields()
{
    replyTimeout_->setText(Text(work_->GetReplyTimeoutText()));
    retries_->setText(Text(work_->GetRetriesText()));
    delay_->setText(Text(work_->GetDelayText()));
    adapter_->setText(Text(work_->GetEthernetCardText()));
}

void CComDlg::commitReplyTimeout()
{
    if (replyTimeout_->text() == Text(work_->GetReplyTimeoutText()))
        return;
    const int refused = work_->SetReplyTimeout(replyTimeout_->text().toStdString(), 0);
    loadFields();
    if (refused != 0)
        replyTimeout_->focusAndSelectAll();
}

void CComDlg::commitDelay()
{
    if (delay_->text() == Text(work_->GetDelayText()))
        return;
    const int refused = work_->SetDelay(delay_->text().toStdString(), 0);
    loadFields();
    if (refused != 0)
        delay_->focusAndSelectAll();
}

void CComDlg::commitRetries()
{
    if (retries_->text() == Text(work_->GetRetriesText()))
        return;
    switch (CommitRetries(*work_, retries_->text().toStdString())) {
    case RetriesCommit::Accepted:
        loadFields();
        break;
    case RetriesCommit::OutOfRange:
        retries_->setText(Text(work_->GetRetriesText()));
        retries_->focusAndSelectAll();
        break;
    case RetriesCommit::NotInteger:
        // The text stays for the user to correct.
        retries_->focusAndSelectAll();
        break;
    }
}

void CComDlg::accept()
{
    if (!focusIsOn(ok_))
        return;
    if (const int row = protocol_->currentIndex(); row >= 0)
        work_->SetProtocolIndex(
            DictIndexOf(Protocol_dct, static_cast<uint16_t>(protocol_->itemData(row).toUInt())));
    SetAdapterFromField(*work_, adapter_->text().toStdString());
    // A new protocol that cannot hold some devices' addresses is applied only when the user agrees;
    // those devices then take its default address, so the window shows what the file will hold.
    const uint16_t protocol = work_->GetProtocolValue();
    std::vector<CDrvSpecificDevice *> misfits;
    if (channel_ != nullptr && protocol != channel_->GetProtocolValue()) {
        misfits = DevicesNotFittingProtocol(*channel_, protocol);
        if (!ConfirmProtocolChange(misfits, protocol)) {
            work_->SetProtocolIndex(channel_->GetProtocolIndex());
            protocol_->setCurrentIndex(protocol_->findData(channel_->GetProtocolValue()));
            ok_->setFocus();
            return;
        }
    }
    if (channel_ != nullptr && !work_->CompareSettings(*channel_)) {
        channel_->CopySettingsFrom(*work_);
        FitDevicesToProtocol(misfits, protocol);
        if (doc_ != nullptr)
            doc_->SetModifiedFlag();
    }
    FormDialog::accept();
}

void CComDlg::reject()
{
    if (!focusIsOn(cancel_))
        return;
    FormDialog::reject();
}
