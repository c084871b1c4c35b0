#include "modal_driver.h"

#include "scripted_ui.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace ModalDriver
{

namespace
{
// The window is the application's active window. (QWindow::isActive() also holds for a box whose
// parent window has the focus, so qWaitForWindowActive can return before the box has it.)
bool WaitUntilActive(QWidget &window)
{
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; });
}
} // namespace

int RunModal(QDialog &dialog, const std::function<void(QDialog &)> &script)
{
    bool leftOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        QWidget *active = QApplication::activeModalWidget();
        [&] { QVERIFY(active == &dialog); }();
        [&] { QVERIFY(WaitUntilActive(dialog)); }();
        script(dialog);
        if (dialog.isVisible()) {
            leftOpen = true;
            dialog.done(kLeftOpen);
        }
    });
    const int result = dialog.exec();
    return leftOpen ? kLeftOpen : result;
}

void Click(QWidget &dialog, const QString &name)
{
    if (QWidget *control = Control(dialog, name))
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

void TypeInto(QWidget &dialog, const QString &name, const QString &text)
{
    auto *field = Control<QLineEdit>(dialog, name);
    if (field == nullptr)
        return;
    QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, field->rect().center());
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

void Press(int key, Qt::KeyboardModifiers modifiers)
{
    if (QWidget *focus = QApplication::focusWidget())
        QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

void Tab()
{
    Press(Qt::Key_Tab);
}

QString FocusName()
{
    QWidget *focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName() : QString();
}

QString FieldText(QWidget &dialog, const QString &name)
{
    auto *field = Control<QLineEdit>(dialog, name);
    return field != nullptr ? field->text() : QString();
}

QString SelectedText(QWidget &dialog, const QString &name)
{
    auto *field = Control<QLineEdit>(dialog, name);
    return field != nullptr ? field->selectedText() : QString();
}

void CloseBox(QWidget &dialog)
{
    dialog.close();
}

void Choose(QWidget &dialog, const QString &name, int row)
{
    auto *combo = Control<QComboBox>(dialog, name);
    if (combo == nullptr)
        return;
    QTest::mouseClick(combo, Qt::LeftButton, Qt::NoModifier, combo->rect().center());
    QAbstractItemView *list = combo->view();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(list->window())); }();
    list->setCurrentIndex(combo->model()->index(row, combo->modelColumn(), combo->rootModelIndex()));
    QTest::keyClick(list, Qt::Key_Return);
}

void SaveSnapshot(QWidget &window, const QString &name)
{
    const QString folder = qEnvironmentVariable("KVZ_SNAPSHOT_DIR");
    if (!folder.isEmpty())
        window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void ShowRealBoxes(ScriptedUi &ui, std::function<void()> inside)
{
    ui.onMessage = [inside = std::move(inside)](const kvz::MessageRequest &request) {
        QPointer<QWidget> previous = QApplication::activeWindow();
        QMessageBox box(QMessageBox::Warning, QStringLiteral("message"), QString::fromStdString(request.text),
                        QMessageBox::Ok, previous);
        QTimer::singleShot(0, &box, [&box, &inside] {
            // The offscreen platform has no window manager: activate the box as one would.
            box.activateWindow();
            [&] { QVERIFY(WaitUntilActive(box)); }();
            if (inside)
                inside();
            box.accept();
        });
        box.exec();
        // ... and give the activation back to the window the box came from.
        if (previous) {
            previous->activateWindow();
            [&] { QVERIFY(WaitUntilActive(*previous)); }();
        }
    };
}

void RunWhenModal(std::function<void(QDialog *)> act, int timeoutMs)
{
    auto *timer = new QTimer;
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, act = std::move(act), timeoutMs] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (elapsed->elapsed() > timeoutMs) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start();
}

} // namespace ModalDriver
