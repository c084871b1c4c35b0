#include "recording_ui.h"

namespace kvz::test
{

MsgResult RecordingUi::ShowMessage(const MessageRequest &request)
{
    messages.push_back(request);
    if (request.buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    if (answers.empty())
        return request.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    MsgResult r = answers.front();
    answers.pop_front();
    return r;
}

std::optional<std::string> RecordingUi::AskFileName(const FileDialogRequest &request)
{
    fileDialogs.push_back(request);
    if (files.empty())
        return std::nullopt;
    auto r = files.front();
    files.pop_front();
    return r;
}

std::vector<int> RecordingUi::Ids() const
{
    std::vector<int> out;
    for (const auto &m : messages)
        out.push_back(m.id);
    return out;
}

std::vector<std::string> RecordingUi::Texts() const
{
    std::vector<std::string> out;
    for (const auto &m : messages)
        out.push_back(m.text);
    return out;
}

void RecordingUi::Clear()
{
    messages.clear();
    fileDialogs.clear();
    viewUpdates.clear();
}

} // namespace kvz::test
