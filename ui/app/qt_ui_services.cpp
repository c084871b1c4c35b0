#include "ui/app/qt_ui_services.h"

#include "platform/driver_identity.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace
{

QtUiServices *g_instance = nullptr;

QMessageBox::Icon BoxIcon(kvz::MsgIcon icon)
{
    switch (icon) {
    case kvz::MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case kvz::MsgIcon::Information:
        return QMessageBox::Information;
    case kvz::MsgIcon::Question:
        return QMessageBox::Question;
    case kvz::MsgIcon::Stop:
        return QMessageBox::Critical;
    case kvz::MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(kvz::MsgButtons buttons)
{
    switch (buttons) {
    case kvz::MsgButtons::Ok:
        return QMessageBox::Ok;
    case kvz::MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case kvz::MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case kvz::MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case kvz::MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

kvz::MsgResult ResultOf(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return kvz::MsgResult::Cancel;
    case QMessageBox::Yes:
        return kvz::MsgResult::Yes;
    case QMessageBox::No:
        return kvz::MsgResult::No;
    case QMessageBox::Retry:
        return kvz::MsgResult::Retry;
    default:
        return kvz::MsgResult::Ok;
    }
}

} // namespace

QtUiServices::QtUiServices()
{
    previous_ = kvz::SetUi(this);
    g_instance = this;
}

QtUiServices::~QtUiServices()
{
    if (g_instance == this)
        g_instance = nullptr;
    kvz::SetUi(previous_);
}

QtUiServices *QtUiServices::Instance()
{
    return g_instance;
}

QString QtUiServices::BoxText(const std::string &text)
{
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.remove(QLatin1Char('\r'));
    return s;
}

kvz::MsgResult QtUiServices::ShowMessage(const kvz::MessageRequest &request)
{
    const QString caption = request.caption.empty() ? QString::fromLatin1(kvz::kDriverIdentity.productTitle)
                                                    : QString::fromStdString(request.caption);
    QMessageBox box(BoxIcon(request.icon), caption, BoxText(request.text), BoxButtons(request.buttons),
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("msg%1").arg(request.id));
    return ResultOf(box.exec());
}

QString QtUiServices::QtFilter(const std::string &windowsFilter)
{
    const QStringList parts = QString::fromStdString(windowsFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.isEmpty() && pattern.isEmpty())
            break;
        // The description's own "(*.x)" is replaced by the pattern the filter really applies.
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0)
                description = description.left(open).trimmed();
        }
        QString patterns = pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtUiServices::AskFileName(const kvz::FileDialogRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdString(request.initialDir));
    dialog.setObjectName(request.save ? QStringLiteral("fileSave") : QStringLiteral("fileOpen"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save || !request.mustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.promptOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.filter.empty())
        dialog.setNameFilter(QtFilter(request.filter));
    if (!request.defaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    const QString initial = QString::fromStdString(request.initialName);
    if (!initial.isEmpty() && !initial.contains(QLatin1Char('*')))
        dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

void QtUiServices::BeginWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUiServices::EndWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

void QtUiServices::UpdateAllViews(int hint)
{
    // A copy: a view may add or remove views while it updates.
    const auto views = views_;
    for (const auto &[key, update] : views)
        if (views_.count(key))
            update(hint);
}

int QtUiServices::AddView(ViewUpdate update)
{
    const int key = nextKey_++;
    views_.emplace(key, std::move(update));
    return key;
}

void QtUiServices::RemoveView(int key)
{
    views_.erase(key);
}
