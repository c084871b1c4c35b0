#include "ui/dialogs/dev_name_dlg.h"

#include "model/device_rules.h"
#include "ui/widgets/bitmap_button.h"
#include "ui/widgets/commit_line_edit.h"

#include <QKeyEvent>
#include <QLabel>

namespace
{
constexpr int kTemplateId = 10201;
constexpr int kNameId = 10118;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;
} // namespace

CDevNameDlg::CDevNameDlg(QWidget *parent)
    : FormDialog(kTemplateId, QStringLiteral("Add Device"), 164, 49, parent)
{
    place(new QLabel(QStringLiteral("Device Name:"), this), 8, 10, 90, 8);
    field_ = place(new CommitLineEdit(this), 8, 21, 90, 12, kNameId);
    field_->setUpperCase(true);
    field_->setTypingLimit(static_cast<int>(kDeviceNameMaxLength));
    field_->installEventFilter(this);
    auto *ok = addButton(kOkId, QStringLiteral("OK"), QStringLiteral("OK"), 108, 7, 48, 16);
    auto *cancel = addButton(kCancelId, QStringLiteral("CANCEL"), QStringLiteral("Cancel"), 108, 27, 48, 16);
    connect(ok, &QPushButton::clicked, this, &CDevNameDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CDevNameDlg::reject);
    paintGrey(false);
    field_->setFocus(Qt::OtherFocusReason);
}

void CDevNameDlg::SetName(const std::string &name)
{
    name_ = name;
    field_->setText(QString::fromStdString(name));
    field_->selectAll();
}

bool CDevNameDlg::eventFilter(QObject *watched, QEvent *event)
{
    // The name field commits nothing on its own: Enter in it is the dialog's OK.
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return FormDialog::eventFilter(watched, event);
}

void CDevNameDlg::accept()
{
    const std::string typed = field_->text().toStdString();
    switch (CheckNewDeviceName(typed)) {
    case DeviceNameCheck::BadCharacters:
    case DeviceNameCheck::Duplicate:
        field_->focusAndSelectAll();
        return;
    default:
        break;
    }
    name_ = typed;
    FormDialog::accept();
}
