#pragma once
// The configurator's side of the UI seam: message boxes, file dialogs, the wait cursor and view
// updates on Qt. Installed for the life of the application; tests derive from it to answer boxes.
#include "platform/ui_services.h"

#include <QString>
#include <functional>
#include <map>

class QWidget;

class QtUiServices : public kvz::IUiServices
{
public:
    // Installs itself as the process's front end; the destructor restores the previous one.
    QtUiServices();
    ~QtUiServices() override;
    QtUiServices(const QtUiServices &) = delete;
    QtUiServices &operator=(const QtUiServices &) = delete;

    kvz::MsgResult ShowMessage(const kvz::MessageRequest &request) override;
    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &request) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void UpdateAllViews(int hint) override;

    // The views that UpdateAllViews calls, in the order they were added. Gives a key for RemoveView.
    using ViewUpdate = std::function<void(int hint)>;
    int AddView(ViewUpdate update);
    void RemoveView(int key);

    // The installed Qt front end, or null.
    static QtUiServices *Instance();

    // "Text (*.X)|*.X|...||" as a Qt filter list ("Text (*.X);;...").
    static QString QtFilter(const std::string &windowsFilter);
    // The text as a message box shows it: "\n\r" (and "\r\n") become one line break.
    static QString BoxText(const std::string &text);

private:
    kvz::IUiServices *previous_ = nullptr;
    std::map<int, ViewUpdate> views_;
    int nextKey_ = 1;
};
