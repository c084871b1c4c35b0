#include "ui/widgets/commit_line_edit.h"

#include "model/number_text.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>

namespace
{
int g_commitDepth = 0;
} // namespace

// Upper-cases what the user types (by the model's rule) and refuses growth beyond the typing limit;
// shrinking a longer text set by code stays possible. Text set by code passes untouched: the field
// shows the stored value, so leaving the field unchanged commits nothing.
class CommitTypingValidator : public QValidator
{
public:
    CommitTypingValidator(CommitLineEdit *edit, bool upperCase, int limit)
        : QValidator(edit), edit_(edit), upperCase_(upperCase), limit_(limit)
    {
    }
    State validate(QString &input, int &) const override
    {
        if (edit_->settingByCode_)
            return Acceptable;
        if (upperCase_)
            input = QString::fromStdString(model::UpperCasedAscii(input.toStdString()));
        // The edit already holds the new text while it is validated: compare with the last one shown.
        if (limit_ > 0 && input.size() > limit_ && input.size() > edit_->shownLength())
            return Invalid;
        return Acceptable;
    }

private:
    CommitLineEdit *edit_;
    bool upperCase_;
    int limit_;
};

CommitLineEdit::CommitLineEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) { shownLength_ = text.size(); });
}

void CommitLineEdit::setUpperCase(bool on)
{
    upperCase_ = on;
    updateValidator();
}

void CommitLineEdit::setTypingLimit(int characters)
{
    typingLimit_ = characters;
    updateValidator();
}

void CommitLineEdit::updateValidator()
{
    setValidator(upperCase_ || typingLimit_ > 0 ? new CommitTypingValidator(this, upperCase_, typingLimit_)
                                                : nullptr);
}

void CommitLineEdit::setText(const QString &text)
{
    settingByCode_ = true;
    QLineEdit::setText(text);
    settingByCode_ = false;
}

void CommitLineEdit::focusAndSelectAll()
{
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

bool CommitLineEdit::CommitRunning()
{
    return g_commitDepth > 0;
}

void CommitLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // A popup (the context menu, a menu of the menu bar) gives the focus back when it closes; a
    // command it runs commits the field itself first.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    commitNow();
}

void CommitLineEdit::commitNow()
{
    if (g_commitDepth > 0)
        return;
    ++g_commitDepth;
    emit focusLost();
    --g_commitDepth;
}

void CommitLineEdit::CommitFocusedField()
{
    if (auto *field = qobject_cast<CommitLineEdit *>(QApplication::focusWidget()))
        field->commitNow();
}

void CommitLineEdit::keyPressEvent(QKeyEvent *event)
{
    // Enter neither commits the field nor reaches a dialog's buttons.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
