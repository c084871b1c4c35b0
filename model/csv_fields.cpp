#include "model/csv_fields.h"

namespace
{

// Blanks before a field; CR and LF end the line instead.
bool IsFieldBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool EndsLine(std::string_view text, size_t at)
{
    return at >= text.size() || text[at] == '\r' || text[at] == '\n';
}

// Where the next separator starts at or after `from`, or npos. The usual one-character separator
// takes the quicker character search.
size_t FindSeparator(std::string_view text, size_t from, std::string_view separator)
{
    if (separator.empty())
        return std::string_view::npos;
    return separator.size() == 1 ? text.find(separator[0], from) : text.find(separator, from);
}

// Moves the cursor past the next separator at or after `from`, or to the end when there is none.
void SkipPastSeparator(std::string_view &cursor, size_t from, std::string_view separator)
{
    size_t sep = FindSeparator(cursor, from, separator);
    cursor =
        sep == std::string_view::npos ? cursor.substr(cursor.size()) : cursor.substr(sep + separator.size());
}

} // namespace

std::string QuoteCsvField(std::string_view text, std::string_view separator)
{
    bool holdsSeparator = !separator.empty() && text.find(separator) != std::string_view::npos;
    if (!holdsSeparator && text.find('"') == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::optional<std::string> NextCsvField(std::string_view &cursor, std::string_view separator)
{
    size_t at = 0;
    while (at < cursor.size() && IsFieldBlank(cursor[at]))
        ++at;
    if (EndsLine(cursor, at))
        return std::nullopt;

    if (cursor[at] == '"') {
        std::string field;
        size_t i = at + 1;
        for (;; ++i) {
            if (EndsLine(cursor, i))
                return std::nullopt;
            if (cursor[i] == '"') {
                if (i + 1 < cursor.size() && cursor[i + 1] == '"') {
                    field.push_back('"');
                    ++i;
                    continue;
                }
                break;
            }
            field.push_back(cursor[i]);
        }
        // Whatever stands between the closing quote and the separator is ignored.
        SkipPastSeparator(cursor, i + 1, separator);
        return field;
    }

    size_t sep = FindSeparator(cursor, at, separator);
    if (sep != std::string_view::npos) {
        std::string field(cursor.substr(at, sep - at));
        cursor = cursor.substr(sep + separator.size());
        return field;
    }
    size_t end = cursor.find_first_of("\r\n", at);
    std::string field(cursor.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    cursor = cursor.substr(cursor.size());
    return field;
}
