#pragma once
// The "Add Device" dialog (template 10201): asks for the name of the device the configuration view is
// adding and refuses a name with other characters than capitals, digits, '_' and '-', or one that a
// device of any channel already has.
#include "ui/dialogs/form_dialog.h"

#include <string>

class CommitLineEdit;

class CDevNameDlg : public FormDialog
{
    Q_OBJECT
public:
    explicit CDevNameDlg(QWidget *parent = nullptr);

    // The proposed name, shown selected in the field; after OK, the name the user accepted (empty:
    // the view drops the new device).
    void SetName(const std::string &name);
    const std::string &Name() const { return name_; }

    // Closes only with a name the device-name rules accept; otherwise the rule's message was shown and
    // the field has the focus with its text selected. Enter in the field is OK.
    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::string name_;
    CommitLineEdit *field_ = nullptr;
};
