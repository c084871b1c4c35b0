#pragma once
// Times, delays and dead bands as the user types them: the whole text must be one number, written
// either as the C locale writes it (a full stop) or with the decimal sign of the user's settings. A
// text that is only partly a number ("0,5" where the sign is a full stop) is no number at all, so
// it is refused rather than cut to what precedes the comma.
#include <optional>
#include <string_view>

namespace model
{

// The first character of "sDecimal" under "Control Panel\International" of the current user (the
// key that also holds the list separator); "." when the value is absent or longer than three
// characters, as the list separator is read.
char UserDecimalSign();

// The number `text` holds, blanks around it allowed, with a full stop or `decimalSign` as its
// decimal point; nothing when any other character is in it or the number is not finite.
std::optional<double> ParseWholeNumber(std::string_view text, char decimalSign);

// ParseWholeNumber with the user's decimal sign.
std::optional<double> ParseUserNumber(std::string_view text);

} // namespace model
