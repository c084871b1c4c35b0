#include "model/user_number.h"

#include "model/field_numbers.h"
#include "platform/registry.h"

#include <algorithm>
#include <string>

namespace model
{
namespace
{
constexpr const char *kInternationalKey = "Control Panel\\International";
constexpr size_t kSettingBuffer = 4; // the value and its terminator must fit, as for "sList"
} // namespace

char UserDecimalSign()
{
    auto value = kvz::RegReadString(kvz::Hive::CurrentUser, kInternationalKey, "sDecimal");
    if (!value || value->empty() || value->size() >= kSettingBuffer)
        return '.';
    return value->front();
}

std::optional<double> ParseWholeNumber(std::string_view text, char decimalSign)
{
    if (auto value = ParseFieldNumber(text))
        return value;
    if (decimalSign == '.' || text.find(decimalSign) == std::string_view::npos)
        return std::nullopt;
    // Written the user's way: the same number once its decimal sign is a full stop. A text that
    // also holds a full stop (a grouping mark, or two signs) then holds two and is refused.
    std::string c(text);
    std::replace(c.begin(), c.end(), decimalSign, '.');
    return ParseFieldNumber(c);
}

std::optional<double> ParseUserNumber(std::string_view text)
{
    // The settings are read only for a text the C locale does not take: an import of thousands of
    // lines written with full stops never opens them.
    if (auto value = ParseFieldNumber(text))
        return value;
    return ParseWholeNumber(text, UserDecimalSign());
}

} // namespace model
