#pragma once
// A scripted front end for tests: records every message, file dialog and view update, and answers
// questions and file dialogs from queues (Ok / the safe answer / cancel when a queue is empty).
#include "platform/ui_services.h"

#include <deque>
#include <string>
#include <vector>

namespace kvz::test
{

class RecordingUi : public IUiServices
{
public:
    RecordingUi() { previous_ = SetUi(this); }
    ~RecordingUi() override { SetUi(previous_); }
    RecordingUi(const RecordingUi &) = delete;
    RecordingUi &operator=(const RecordingUi &) = delete;

    MsgResult ShowMessage(const MessageRequest &request) override;
    std::optional<std::string> AskFileName(const FileDialogRequest &request) override;
    void BeginWaitCursor() override
    {
        ++waitDepth;
        ++waitCount;
    }
    void EndWaitCursor() override { --waitDepth; }
    void UpdateAllViews(int hint) override { viewUpdates.push_back(hint); }

    // Messages' ids and texts, in order.
    std::vector<int> Ids() const;
    std::vector<std::string> Texts() const;
    void Clear();

    std::vector<MessageRequest> messages;
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<int> viewUpdates;
    std::deque<MsgResult> answers;                // for questions
    std::deque<std::optional<std::string>> files; // for file dialogs
    int waitDepth = 0;
    int waitCount = 0;

private:
    IUiServices *previous_ = nullptr;
};

} // namespace kvz::test
