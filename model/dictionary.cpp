#include "model/dictionary.h"

#include "model/string_table.h"

#include <algorithm>

namespace
{

// No lookup looks at more rows than this, header included.
constexpr size_t kMaxRows = 255;

bool EndsTable(const DictRow &row)
{
    return static_cast<int16_t>(row.value) <= -2;
}

// strncmp(text, rowText, n) == 0, with the text's end standing for its terminating zero.
bool MatchesRow(std::string_view text, const DictRow &row)
{
    if (row.minLength < 0 || row.text == nullptr)
        return false;
    std::string_view rowText(row.text);
    for (size_t i = 0; i < static_cast<size_t>(row.minLength); ++i) {
        char a = i < text.size() ? text[i] : '\0';
        char b = i < rowText.size() ? rowText[i] : '\0';
        if (a != b)
            return false;
        if (a == '\0')
            return true;
    }
    return true;
}

// Rows 1 .. end row (exclusive) as table indexes, calling f(rowIndex) until it returns true.
// Returns the raw position where the walk stopped.
template <typename F> size_t WalkRows(Dictionary dict, F f)
{
    size_t limit = std::min(dict.size(), kMaxRows);
    size_t i = 1;
    for (; i < limit; ++i) {
        if (EndsTable(dict[i]) || f(i))
            return i;
    }
    return i;
}

} // namespace

uint16_t DictValueOf(Dictionary dict, std::string_view text)
{
    size_t at = WalkRows(dict, [&](size_t i) { return MatchesRow(text, dict[i]); });
    if (at < dict.size() && !EndsTable(dict[at]))
        return dict[at].value;
    return kDictNoMatch;
}

std::optional<std::string_view> DictTextOf(Dictionary dict, uint16_t value)
{
    if (static_cast<int16_t>(value) < 0)
        return std::string_view(kDictUnknownText);
    size_t at = WalkRows(dict, [&](size_t i) { return dict[i].value == value; });
    if (at < dict.size() && !EndsTable(dict[at]) && dict[at].text)
        return std::string_view(dict[at].text);
    return std::nullopt;
}

void DictTextOf(Dictionary dict, uint16_t value, std::string &buffer, size_t bufferSize)
{
    buffer.clear();
    if (bufferSize == 0)
        return;
    std::string_view text = DictTextOf(dict, value).value_or(kDictUnknownText);
    buffer.assign(text.substr(0, bufferSize - 1));
}

uint16_t DictIndexOf(Dictionary dict, uint16_t value)
{
    size_t at = WalkRows(dict, [&](size_t i) { return dict[i].value == value; });
    return static_cast<uint16_t>(at - 1);
}

uint16_t DictValueAt(Dictionary dict, uint16_t index)
{
    size_t at = static_cast<size_t>(index) + 1;
    return at < dict.size() ? dict[at].value : kDictNoMatch;
}

std::string DictTextOrUndefined(Dictionary dict, uint16_t value)
{
    if (auto text = DictTextOf(dict, value))
        return std::string(*text);
    return LoadModelString(IDS_UNDEFINED);
}

std::string DictTextAt(Dictionary dict, uint16_t index)
{
    return DictTextOrUndefined(dict, DictValueAt(dict, index));
}

void FillComboFromDict(IComboList &combo, Dictionary dict)
{
    combo.ResetContent();
    WalkRows(dict, [&](size_t i) {
        combo.AddItem(dict[i].text ? dict[i].text : "", dict[i].value);
        return false;
    });
}
