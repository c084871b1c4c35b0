#include "model/number_text.h"

#include <cctype>
#include <cerrno>
#include <charconv>
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
    // from_chars reads the same in every locale: a full stop is the decimal point even where the
    // user's locale (which a GUI front end installs) writes a comma.
    std::string_view s = SkipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (!s.empty() && (s.front() == '+' || s.front() == '-'))
        return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc::invalid_argument || end == s.data())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range)
        v = std::numeric_limits<double>::infinity(); // out of every range the model checks
    return negative ? -v : v;
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

std::string FormatFixed(double value, int width, int decimals)
{
    char buf[512];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string out = ec == std::errc() ? std::string(buf, end) : std::string();
    if (out.size() < static_cast<size_t>(width))
        out.insert(0, static_cast<size_t>(width) - out.size(), ' ');
    return out;
}

std::string FormatTrimmed(double value, int width, int decimals)
{
    return std::string(SkipBlanks(FormatFixed(value, width, decimals)));
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

std::string UpperCasedAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    // Only A-Z fold: the same in every locale (a Qt program runs in the user's), and other bytes
    // compare exactly, as they do in the C locale.
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && FoldAsciiCase(a[i]) != FoldAsciiCase(b[i]))
            return false;
    return true;
}

bool ContainsText(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

} // namespace model
