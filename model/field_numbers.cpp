#include "model/field_numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace model
{
namespace
{

constexpr int kFieldFloatDigits = 6;

std::string_view Trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// from_chars takes no leading '+'; a field does.
std::string_view WithoutPlus(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

} // namespace

FieldIntegerValue ParseFieldInteger(std::string_view text)
{
    text = WithoutPlus(Trimmed(text));
    FieldIntegerValue out;
    if (text.empty())
        return out;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out.value);
    if (end != text.data() + text.size())
        return out;
    if (ec == std::errc::result_out_of_range) {
        out.status = FieldInteger::TooLarge;
        return out;
    }
    if (ec == std::errc())
        out.status = FieldInteger::Ok;
    return out;
}

std::optional<double> ParseFieldNumber(std::string_view text)
{
    text = WithoutPlus(Trimmed(text));
    if (text.empty())
        return std::nullopt;
    double value = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    // "inf" and "nan" are spellings from_chars takes but no field value.
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FieldNumberText(float value)
{
    char buf[64];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, kFieldFloatDigits);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

} // namespace model
