#pragma once
// Numbers as the user types them and as the model shows them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace model
{

// The decimal number at the start of `text` (leading blanks skipped, trailing text ignored); nothing
// when the text holds no number at all.
std::optional<double> ParseDecimal(std::string_view text);

// The integer at the start of `text`; an empty (or blank) text is 0; nothing when the text starts with
// something else or the number does not fit in a long.
std::optional<long> ParseInteger(std::string_view text);

// ParseInteger restricted to 0..65535 (what an unsigned 16-bit field can hold).
std::optional<uint16_t> ParseUnsigned16(std::string_view text);

// "%*.*f" with `width` and `decimals`, right-aligned, written the same in every locale.
std::string FormatFixed(double value, int width, int decimals);
// The same with the leading blanks removed.
std::string FormatTrimmed(double value, int width, int decimals);

// Seconds (a 32-bit float) as the signed hundredths kept in records: seconds * 100 + 0.5, truncated.
// Values outside the int32 range are clamped rather than left undefined.
int32_t HundredthsRounded(float seconds);
// Seconds * 100 truncated toward zero, clamped the same way.
int32_t HundredthsTruncated(float seconds);

// `c` with A-Z made lower case; every other byte unchanged.
inline char FoldAsciiCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// `text` with a-z made upper case; every other byte unchanged (the same in every locale).
std::string UpperCasedAscii(std::string_view text);
// ASCII comparisons without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsText(std::string_view text, std::string_view part);

} // namespace model
