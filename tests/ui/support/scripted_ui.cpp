#include "scripted_ui.h"

kvz::MsgResult ScriptedUi::ShowMessage(const kvz::MessageRequest &request)
{
    messages.push_back(request);
    if (onMessage)
        onMessage(request);
    if (!answers.empty()) {
        kvz::MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    switch (request.buttons) {
    case kvz::MsgButtons::Ok:
        return kvz::MsgResult::Ok;
    case kvz::MsgButtons::YesNo:
        return kvz::MsgResult::No;
    default:
        return kvz::MsgResult::Cancel;
    }
}

std::optional<std::string> ScriptedUi::AskFileName(const kvz::FileDialogRequest &)
{
    ++fileDialogs;
    if (files.empty())
        return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
}

std::vector<int> ScriptedUi::Ids() const
{
    std::vector<int> ids;
    for (const auto &m : messages)
        ids.push_back(m.id);
    return ids;
}

std::vector<std::string> ScriptedUi::Texts() const
{
    std::vector<std::string> texts;
    for (const auto &m : messages)
        texts.push_back(m.text);
    return texts;
}
