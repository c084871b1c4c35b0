#include "model/number_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace model
{

namespace
{

std::string_view SkipBlanks(std::string_view text)
{
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    return text.substr(at);
}

int32_t ClampToInt32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

} // namespace

std::optional<double> ParseDecimal(std::string_view text)
{
    std::string copy(SkipBlanks(text));
    if (copy.empty())
        return std::nullopt;
    char *end = nullptr;
    double v = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str())
        return std::nullopt;
    return v;
}

std::optional<long> ParseInteger(std::string_view text)
{
    std::string copy(SkipBlanks(text));
    if (copy.empty())
        return 0L;
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(copy.c_str(), &end, 10);
    if (end == copy.c_str() || errno == ERANGE)
        return std::nullopt;
    return v;
}

std::optional<uint16_t> ParseUnsigned16(std::string_view text)
{
    auto v = ParseInteger(text);
    if (!v || *v < 0 || *v > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(*v);
}

std::string FormatTrimmed(double value, int width, int decimals)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
    std::string_view s(buf);
    return std::string(SkipBlanks(s));
}

int32_t HundredthsRounded(float seconds)
{
    float scaled = seconds * 100.0f;
    return ClampToInt32(std::trunc(static_cast<double>(scaled) + 0.5));
}

int32_t HundredthsTruncated(float seconds)
{
    float scaled = seconds * 100.0f;
    return ClampToInt32(std::trunc(static_cast<double>(scaled)));
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

bool ContainsText(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

} // namespace model
