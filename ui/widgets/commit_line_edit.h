#pragma once
// An edit field that commits when it loses the focus, as the forms do: Enter commits nothing, the
// field reports every focus-out (also when its text did not change), and a focus-out caused while
// another field's commit is running (a message box, a refocus) is not reported, so commits never nest.
// A popup that takes the focus for a moment (the field's own context menu, a menu of the menu bar)
// is no focus-out: the field commits when the focus really goes elsewhere.
#include <QLineEdit>

class CommitLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CommitLineEdit(QWidget *parent = nullptr);

    // Upper-cases what is typed or pasted (text set by code stays as it is).
    void setUpperCase(bool on);
    // Shows `text` exactly as given (a stored value): neither upper-cased nor held to the typing limit.
    // Hides QLineEdit::setText, so that every caller holding a CommitLineEdit gets it.
    void setText(const QString &text);
    // The most characters a person may type; text set by code may be longer and is shown whole.
    // 0: no limit of its own.
    void setTypingLimit(int characters);
    int typingLimit() const { return typingLimit_; }
    // Length of the text as last shown (set by code or accepted from typing).
    qsizetype shownLength() const { return shownLength_; }
    // Gives the field the focus and selects its whole text (after a refused value).
    void focusAndSelectAll();

    // Commits the field now, as a focus-out would, without moving the focus (before a command that reads
    // the configuration: a save, a close). Nothing happens while another commit runs.
    void commitNow();
    // Commits the field that has the keyboard focus, when it is one of these.
    static void CommitFocusedField();

    // True while any field's commit handler runs.
    static bool CommitRunning();

signals:
    // The focus left the field; connected handlers commit it.
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateValidator();

    friend class CommitTypingValidator;

    bool upperCase_ = false;
    bool settingByCode_ = false;
    int typingLimit_ = 0;
    qsizetype shownLength_ = 0;
};
