#pragma once
// kvzcfg's front end: every message the configurator would show is one line on stderr; questions
// take the answer the command line gave (No unless told otherwise) and are not printed, since nothing
// waits for an answer: the command tells what the answer did. There are no dialogs.
#include "platform/ui_services.h"

class CliUi : public kvz::IUiServices
{
public:
    explicit CliUi(kvz::MsgResult answer) : answer_(answer) {}

    kvz::MsgResult ShowMessage(const kvz::MessageRequest &request) override;
    std::optional<std::string> AskFileName(const kvz::FileDialogRequest &) override { return std::nullopt; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews(int) override {}

    // Messages that reported a problem (information and questions do not count).
    int ErrorCount() const { return errors_; }
    // Questions answered so far.
    int QuestionCount() const { return questions_; }
    void ReportError(const std::string &text);

private:
    kvz::MsgResult answer_;
    int errors_ = 0;
    int questions_ = 0;
};

// Clears what an earlier open or import counted, before `doc` opens the next input.
void ResetImportCounts();
// Exit status of a command that opened or imported an input: 1 when a message reported a problem or
// an input line was not taken, else 0. Lines not taken that no error file line reports (the file
// could not be written) are reported here, so none is lost without a word.
int ExitStatusOf(CliUi &ui);
