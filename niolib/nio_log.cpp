#include "niolib/nio_state.h"
#include "niolib/nio_support.h"
#include "niolib/niolib.h"
#include "platform/ui_services.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace nio
{
namespace
{
LogObserver &ObserverSlot()
{
    static LogObserver observer;
    return observer;
}
} // namespace

void SetLogObserver(LogObserver observer)
{
    ObserverSlot() = std::move(observer);
}

} // namespace nio

void nio_log(uint16_t level, const char *format, ...)
{
    constexpr uint16_t kLevelError = 70;
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args); // longer output is cut
    va_end(args);
    text[std::strcspn(text, "\r\n")] = '\0';

    if (nio::ObserverSlot())
        nio::ObserverSlot()(level, text);

    nio::detail::State &s = nio::detail::S();
    if (level != kLevelError || s.errorBoxOpen)
        return;
    // A box may run an event loop that calls back into the library: errors meanwhile get no box.
    s.errorBoxOpen = true;
    kvz::MessageRequest box;
    box.text = text;
    box.caption = nio::kLogCaption;
    box.buttons = kvz::MsgButtons::Ok;
    box.icon = kvz::MsgIcon::None;
    kvz::Ui().ShowMessage(box);
    s.errorBoxOpen = false;
}
