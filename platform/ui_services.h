#pragma once
// The one seam between the core and a front end: the core never shows anything itself. Where it must
// show a message, ask for a file or signal a wait, it calls the process-wide IUiServices that the
// front end installed (Qt in the configurator, stderr in kvzcfg, a recording script in tests).
#include <optional>
#include <string>
#include <string_view>

namespace kvz
{

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Exclamation, Information, Question, Stop };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
    int id = 0; // string-table id of the text, 0 for a fixed or formatted text
    std::string text;
    std::string caption; // empty: the application's own title
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::Exclamation;
};

struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;      // "Text (*.X)|*.X|..||" as the Windows dialogs take it
    std::string defaultExt;  // without the dot
    std::string initialName; // file name (may hold a wildcard such as "V*")
    std::string initialDir;
    bool mustExist = false;
    bool promptOverwrite = false;
    bool promptCreate = false;
};

class IUiServices
{
public:
    virtual ~IUiServices() = default;
    virtual MsgResult ShowMessage(const MessageRequest &request) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> AskFileName(const FileDialogRequest &request) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // hint as the views take it (0 = everything, 1 = after an import, ...).
    virtual void UpdateAllViews(int hint) = 0;
};

// The installed front end; a stderr implementation until one is installed.
IUiServices &Ui();
// Installs `ui` (not owned; null restores the stderr implementation). Returns the previous one.
IUiServices *SetUi(IUiServices *ui);

// Front end for headless programs: one line per message on stderr ("caption: text"), the given
// default answer to every question, no dialogs.
class StderrUi : public IUiServices
{
public:
    explicit StderrUi(MsgResult answer = MsgResult::No) : answer_(answer) {}
    void SetAnswer(MsgResult answer) { answer_ = answer; }
    MsgResult ShowMessage(const MessageRequest &request) override;
    std::optional<std::string> AskFileName(const FileDialogRequest &) override { return std::nullopt; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void UpdateAllViews(int) override {}

private:
    MsgResult answer_;
};

// Shows the wait cursor for its lifetime.
class WaitCursor
{
public:
    WaitCursor() { Ui().BeginWaitCursor(); }
    ~WaitCursor() { Ui().EndWaitCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace kvz
