#pragma once
// The field syntax of the configuration's CSV lines, shared by every object's CSV reader and writer.
#include <optional>
#include <string>
#include <string_view>

// `text` between double quotes, inner quotes doubled, when it holds the separator or a double quote;
// otherwise `text` unchanged.
std::string QuoteCsvField(std::string_view text, std::string_view separator);

// Takes the next field from `cursor` and moves the cursor past it and its separator. Nothing (cursor
// unchanged) when no field starts there: end of text, CR or LF, or a quoted field left open.
std::optional<std::string> NextCsvField(std::string_view &cursor, std::string_view separator);
