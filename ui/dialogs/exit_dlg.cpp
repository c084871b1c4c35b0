#include "ui/dialogs/exit_dlg.h"

#include "document/did_doc.h"
#include "ui/app/context_help.h"
#include "ui/widgets/bitmap_button.h"

#include <QCheckBox>
#include <QLabel>

namespace
{
constexpr int kTemplateId = 10202;
constexpr int kSaveId = 10129;
constexpr int kReloadId = 10128;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr int kHelpId = 57671;
} // namespace

CExitDlg::CExitDlg(CDidDoc *doc, QWidget *parent)
    : FormDialog(kTemplateId, QStringLiteral("I/O Driver Configurator"), 151, 92, parent)
{
    auto *text =
        place(new QLabel(QStringLiteral("The I/O Driver Configurator is now exiting. Select options to "
                                        "be performed before configurator closes."),
                         this),
              8, 6, 135, 26);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    saveBox_ =
        place(new QCheckBox(QStringLiteral("Save I/O Driver Configuration"), this), 14, 36, 130, 10, kSaveId);
    reloadBox_ = place(new QCheckBox(QStringLiteral("Reload I/O Driver Configuration"), this), 14, 50, 130,
                       10, kReloadId);
    ok_ = addButton(kOkId, QStringLiteral("OK"), QStringLiteral("OK"), 6, 69, 43, 16);
    auto *cancel = addButton(kCancelId, QStringLiteral("CANCEL"), QStringLiteral("Cancel"), 54, 69, 43, 16);
    auto *help = addButton(kHelpId, QStringLiteral("HELP"), QStringLiteral("Help"), 102, 69, 43, 16);
    connect(ok_, &QPushButton::clicked, this, &CExitDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CExitDlg::reject);
    connect(help, &QPushButton::clicked, this, [] { ContextHelp::Open(kTemplateId); });
    paintGrey(false);

    if (doc != nullptr && doc->IsModified()) {
        save_ = true;
        reload_ = true;
    } else if (doc != nullptr && doc->m_bReloadPending) {
        reload_ = true;
    }
    if (!HasPollRecords()) {
        reloadBox_->setEnabled(false);
        reload_ = false;
    }
    saveBox_->setChecked(save_);
    reloadBox_->setChecked(reload_);
    ok_->setFocus(Qt::OtherFocusReason);
}

void CExitDlg::accept()
{
    if (!focusIsOn(ok_))
        return;
    save_ = saveBox_->isChecked();
    reload_ = reloadBox_->isChecked();
    FormDialog::accept();
}
