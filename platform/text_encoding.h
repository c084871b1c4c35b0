#pragma once
// UTF-8 (the program's text) <-> UTF-16 (texts kept as 16-bit units in records).
#include <string>
#include <string_view>

namespace kvz
{

// Malformed sequences become U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace kvz
