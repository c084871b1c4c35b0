#include "platform/ui_services.h"

#include "platform/driver_identity.h"

#include <cstdio>

namespace kvz
{
namespace
{

StderrUi &DefaultUi()
{
    static StderrUi ui;
    return ui;
}

IUiServices *g_ui = nullptr;

// The safe answer for a question nobody can be asked: the one that changes nothing.
MsgResult Answer(MsgButtons buttons, MsgResult preferred)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::OkCancel:
        return preferred == MsgResult::Yes || preferred == MsgResult::Ok ? MsgResult::Ok : MsgResult::Cancel;
    case MsgButtons::YesNo:
        return preferred == MsgResult::Yes ? MsgResult::Yes : MsgResult::No;
    case MsgButtons::YesNoCancel:
        return preferred == MsgResult::Cancel
                   ? MsgResult::Cancel
                   : (preferred == MsgResult::Yes ? MsgResult::Yes : MsgResult::No);
    case MsgButtons::RetryCancel:
        return MsgResult::Cancel;
    }
    return MsgResult::Cancel;
}

} // namespace

IUiServices &Ui()
{
    return g_ui ? *g_ui : DefaultUi();
}

IUiServices *SetUi(IUiServices *ui)
{
    IUiServices *previous = g_ui;
    g_ui = ui;
    return previous;
}

MsgResult StderrUi::ShowMessage(const MessageRequest &request)
{
    std::string text = request.text;
    for (char &c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::fprintf(stderr, "%s: %s\n",
                 request.caption.empty() ? kDriverIdentity.acronym : request.caption.c_str(), text.c_str());
    return Answer(request.buttons, answer_);
}

} // namespace kvz
