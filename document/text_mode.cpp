#include "document/text_mode.h"

void AppendTextMode(std::string &out, std::string_view text)
{
    size_t start = 0;
    for (size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
        out.append(text.substr(start, lf - start));
        out.append("\r\n");
        start = lf + 1;
    }
    out.append(text.substr(start));
}

std::string ToTextMode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    AppendTextMode(out, text);
    return out;
}

std::string FromTextMode(std::string_view raw)
{
    std::string text;
    text.reserve(raw.size());
    size_t start = 0;
    for (size_t cr = raw.find("\r\n"); cr != std::string_view::npos; cr = raw.find("\r\n", start)) {
        text.append(raw.substr(start, cr - start));
        start = cr + 1; // keep the line feed
    }
    text.append(raw.substr(start));
    return text;
}
