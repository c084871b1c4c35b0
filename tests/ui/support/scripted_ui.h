#pragma once
// The Qt front end with its boxes answered by the test: every message is recorded (id and text) and
// answered from a queue (Ok, or the safe answer No / Cancel when the queue is empty); file dialogs take
// their answers from a queue too. View updates reach the real views as in the program.
#include "ui/app/qt_ui_services.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ScriptedUi : public QtUiServices
{
public:
    kvz::MsgResult ShowMessage(const kvz::MessageRequest &request) override;
    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &request) override;

    std::vector<int> Ids() const;
    std::vector<std::string> Texts() const;
    void Clear() { messages.clear(); }

    std::vector<kvz::MessageRequest> messages;
    std::deque<kvz::MsgResult> answers;
    std::deque<std::optional<std::string>> files;
    int fileDialogs = 0; // file dialogs asked for
    // Called inside each box, before it is answered (e.g. to look at the focus while it is open).
    std::function<void(const kvz::MessageRequest &)> onMessage;
};
