#include "model/model_message.h"

#include "model/string_table.h"
#include "platform/ui_services.h"

#include <utility>

namespace
{

ModelMessageRedirect &Redirect()
{
    static ModelMessageRedirect redirect;
    return redirect;
}

} // namespace

int ShowModelMessage(int id, std::initializer_list<std::string_view> args)
{
    std::string text = FormatModelString(id, args);
    if (Redirect()) {
        Redirect()(text);
        return id;
    }
    kvz::MessageRequest request;
    request.id = id;
    request.text = std::move(text);
    request.buttons = kvz::MsgButtons::Ok;
    request.icon = kvz::MsgIcon::Exclamation;
    kvz::Ui().ShowMessage(request);
    return id;
}

bool AskModelQuestion(int id, kvz::MsgIcon icon)
{
    return AskModelQuestion(id, {}, icon);
}

bool AskModelQuestion(int id, std::initializer_list<std::string_view> args, kvz::MsgIcon icon)
{
    kvz::MessageRequest request;
    request.id = id;
    request.text = FormatModelString(id, args);
    request.buttons = kvz::MsgButtons::YesNo;
    request.icon = icon;
    return kvz::Ui().ShowMessage(request) == kvz::MsgResult::Yes;
}

void SetModelMessageRedirect(ModelMessageRedirect redirect)
{
    Redirect() = std::move(redirect);
}

bool ModelMessagesRedirected()
{
    return static_cast<bool>(Redirect());
}

ScopedModelMessageRedirect::ScopedModelMessageRedirect(ModelMessageRedirect redirect)
    : previous_(std::exchange(Redirect(), std::move(redirect)))
{
}

ScopedModelMessageRedirect::~ScopedModelMessageRedirect()
{
    Redirect() = std::move(previous_);
}
