#include "document/text_mode.h"

std::string ToTextMode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}
