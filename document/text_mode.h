#pragma once
// The CSV files and the import error file are text files with CR LF line ends, as the spreadsheets
// that exchange them expect: every line feed written becomes CR LF, and CR LF read becomes a line feed.
#include <string>
#include <string_view>

std::string ToTextMode(std::string_view text);
// The same, appended to `out`.
void AppendTextMode(std::string &out, std::string_view text);
// CR LF turned back into a line feed, as a text-mode read gives the text.
std::string FromTextMode(std::string_view raw);
