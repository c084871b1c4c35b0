#pragma once
// The exit dialog (template 10202), shown when the configurator closes with something to save or
// reload: it offers to save the configuration and to make the running driver reload it. The frame
// reads the two flags after OK and does the saving and reloading.
#include "ui/dialogs/form_dialog.h"

class BitmapButton;
class CDidDoc;
class QCheckBox;

class CExitDlg : public FormDialog
{
    Q_OBJECT
public:
    // Ticks Save and Reload for a modified document, Reload alone for one saved but not yet reloaded;
    // Reload is greyed and cleared while the configuration holds no poll record.
    explicit CExitDlg(CDidDoc *doc, QWidget *parent = nullptr);

    bool SaveFlag() const { return save_; }
    bool ReloadFlag() const { return reload_; }

    // Acts only while the OK button has the focus; it then takes the ticks. Cancel closes as usual.
    void accept() override;

private:
    bool save_ = false;
    bool reload_ = false;
    QCheckBox *saveBox_ = nullptr;
    QCheckBox *reloadBox_ = nullptr;
    BitmapButton *ok_ = nullptr;
};
