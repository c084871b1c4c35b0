#pragma once
// Numbers as the framework's dialog fields read them: the whole text, blanks around it allowed, must be
// the number. A field that holds anything else is refused with the framework's own message.
#include <optional>
#include <string>
#include <string_view>

namespace model
{

enum class FieldInteger { Ok, NotInteger, TooLarge };
struct FieldIntegerValue {
    FieldInteger status = FieldInteger::NotInteger;
    long long value = 0;
};
// An optionally signed decimal integer.
FieldIntegerValue ParseFieldInteger(std::string_view text);
// A decimal number ("1", "-2.5", ".5", "1e3").
std::optional<double> ParseFieldNumber(std::string_view text);

// A float as a number field shows it: six significant digits ("%.6g"), the same in every locale.
std::string FieldNumberText(float value);

} // namespace model
