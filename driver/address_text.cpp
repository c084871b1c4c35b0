#include "driver/address_text.h"

#include "ferrolink.h"

#include <cctype>
#include <string>

namespace spoll
{
namespace
{

class Cursor
{
public:
    explicit Cursor(std::string_view t)
    {
        for (char c : t)
            if (!std::isspace(static_cast<unsigned char>(c)))
                text_ += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    bool Take(std::string_view word)
    {
        if (text_.compare(at_, word.size(), word) != 0)
            return false;
        at_ += word.size();
        return true;
    }
    bool TakeAny(std::string_view chars)
    {
        if (at_ < text_.size() && chars.find(text_[at_]) != std::string_view::npos) {
            ++at_;
            return true;
        }
        return false;
    }
    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    void Skip() { ++at_; }
    // A decimal number of at most 7 digits.
    std::optional<uint32_t> Number()
    {
        size_t from = at_;
        uint32_t v = 0;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])) && at_ - from < 7)
            v = v * 10 + static_cast<uint32_t>(text_[at_++] - '0');
        if (at_ == from)
            return std::nullopt;
        return v;
    }
    bool AtEnd() const { return at_ == text_.size(); }

private:
    std::string text_;
    size_t at_ = 0;
};

constexpr std::string_view kS5Separators = ":;,./\\";

// Size letter and number, with a bit after "X" or after a bare number: "W4", "X2.1", "5", "0.3".
bool S7Offset(Cursor &c, ParsedAddress &a)
{
    char size = c.Peek();
    bool letter = size == 'B' || size == 'W' || size == 'D' || size == 'X';
    if (letter)
        c.Skip();
    auto n = c.Number();
    if (!n)
        return false;
    a.start = *n;
    a.width = size == 'W' ? 2 : size == 'D' ? 4 : 1;
    if ((size == 'X' || !letter) && c.Take(".")) {
        auto bit = c.Number();
        if (!bit || *bit > 7)
            return false;
        a.bit = static_cast<int>(*bit);
    } else if (size == 'X') {
        return false;
    }
    return c.AtEnd() && a.start <= 0xFFFFF;
}

std::optional<ParsedAddress> S7(Cursor c)
{
    ParsedAddress a;
    if (c.Take("DB")) {
        auto db = c.Number();
        if (!db || *db > 0xFFFF || !c.TakeAny(",."))
            return std::nullopt;
        a.area = FL_S7_AREA_DB;
        a.db = static_cast<uint16_t>(*db);
        c.Take("DB");
    } else if (c.TakeAny("M")) {
        a.area = FL_S7_AREA_MARKERS;
    } else if (c.TakeAny("IE")) {
        a.area = FL_S7_AREA_INPUTS;
    } else if (c.TakeAny("QA")) {
        a.area = FL_S7_AREA_OUTPUTS;
    } else {
        return std::nullopt;
    }
    return S7Offset(c, a) ? std::optional<ParsedAddress>(a) : std::nullopt;
}

std::optional<ParsedAddress> S5(Cursor c)
{
    ParsedAddress a;
    bool block = false;
    if (c.Take("DX"))
        a.area = 10, block = true;
    else if (c.Take("DB"))
        a.area = 1, block = true;
    else if (c.Take("C"))
        a.area = 6;
    else if (c.Take("T"))
        a.area = 7;
    else
        return std::nullopt;
    if (!c.TakeAny(kS5Separators))
        return std::nullopt;
    auto first = c.Number();
    if (!first)
        return std::nullopt;
    if (block) {
        if (*first > 0xFF || !c.TakeAny(kS5Separators))
            return std::nullopt;
        a.db = static_cast<uint16_t>(*first);
        first = c.Number();
        if (!first)
            return std::nullopt;
    }
    if (*first > 0xFFFF || !c.AtEnd())
        return std::nullopt;
    a.start = *first;
    return a;
}

} // namespace

std::optional<ParsedAddress> ParseAddress(Family family, std::string_view text)
{
    if (family == Family::S7)
        return S7(Cursor(text));
    if (family == Family::S5)
        return S5(Cursor(text));
    return std::nullopt;
}

} // namespace spoll
