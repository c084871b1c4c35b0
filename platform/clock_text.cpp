#include "platform/clock_text.h"

#include <locale.h>

namespace kvz
{
namespace
{

// The C locale, made once: the clock reads "PM" whatever language the user runs in.
locale_t CLocale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

} // namespace

std::string ClockText(std::time_t when)
{
    std::tm local{};
    if (!localtime_r(&when, &local))
        return {};
    char text[32];
    size_t n = CLocale() ? strftime_l(text, sizeof text, "%I:%M %p", &local, CLocale())
                         : std::strftime(text, sizeof text, "%I:%M %p", &local);
    return std::string(text, n);
}

} // namespace kvz
