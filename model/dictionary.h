#pragma once
// Dictionaries: the constant vocabulary tables of the model. Row 0 is a header that never matches;
// a row whose value, read as signed 16-bit, is -2 or less ends every lookup (the end row). Settings are
// stored either as a row's value or as a row index, 0 being the first row after the header.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct DictRow {
    int16_t minLength; // characters that must agree for a text to match this row
    const char *text;
    uint16_t value;
};

using Dictionary = std::span<const DictRow>;

// Value of a lookup that found nothing, and of the end row.
inline constexpr uint16_t kDictNoMatch = 0xFFFE;
// Text of a negative value, and of the end row.
inline constexpr const char *kDictUnknownText = "*?*";

// The value of the first row whose first minLength characters equal those of `text` (case matters; a
// text shorter than minLength matches only a row text that is just as short), or kDictNoMatch.
uint16_t DictValueOf(Dictionary dict, std::string_view text);

// The text of the first row holding `value`; "*?*" for a negative value (signed 16-bit); nothing when
// no row holds it (the caller then shows "UNDEFINED").
std::optional<std::string_view> DictTextOf(Dictionary dict, uint16_t value);
// The same into a caller buffer of `bufferSize` characters (terminator included): "*?*" when the value
// is negative or held by no row; the text is cut to fit.
void DictTextOf(Dictionary dict, uint16_t value, std::string &buffer, size_t bufferSize);

// The 0-based index of the first row holding `value`; the end row's index when none does.
uint16_t DictIndexOf(Dictionary dict, uint16_t value);

// The value of the row at `index`; kDictNoMatch for an index beyond the table.
uint16_t DictValueAt(Dictionary dict, uint16_t index);

// DictTextOf of the value at `index`, with "UNDEFINED" where no row holds it: how every stored
// setting is shown.
std::string DictTextAt(Dictionary dict, uint16_t index);
// DictTextOf with "UNDEFINED" where no row holds the value.
std::string DictTextOrUndefined(Dictionary dict, uint16_t value);

// Any list of texts with item data that a front end offers for a setting (a combo box).
class IComboList
{
public:
    virtual ~IComboList() = default;
    virtual void ResetContent() = 0;
    virtual void AddItem(std::string_view text, uint16_t itemData) = 0;
};

// Empties `combo`, then adds the text of every row up to the end row with the row's value as data.
void FillComboFromDict(IComboList &combo, Dictionary dict);
