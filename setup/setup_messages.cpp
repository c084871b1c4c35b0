#include "setup/setup_messages.h"

#include "platform/ui_services.h"

namespace kvz::setup
{
namespace
{

void Show(std::string text, const char *caption, MsgIcon icon)
{
    MessageRequest request;
    request.text = std::move(text);
    request.caption = caption;
    request.buttons = MsgButtons::Ok;
    request.icon = icon;
    Ui().ShowMessage(request);
}

} // namespace

void ShowSetupError(const std::string &message)
{
    Show(message + "\n\n" + kAbortedText, kErrorCaption, MsgIcon::Stop);
}

void ShowSetupErrorWithCode(const std::string &message, int error)
{
    Show(message + "\nWin32 error code: " + std::to_string(error) + "\n\n" + kAbortedText, kErrorCaption,
         MsgIcon::Stop);
}

void ShowInfError(const std::string &message)
{
    Show(message, kInfCaption, MsgIcon::None);
}

} // namespace kvz::setup
