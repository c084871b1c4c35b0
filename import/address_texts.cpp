#include "import/address_texts.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace hostdb
{
namespace
{

// The element width a TYPE word selects, with the letter the address grammar gives it.
enum class Width { None, BitOrByte, Word, DoubleWord };

Width WidthOf(std::string_view type)
{
    auto has = [type](std::string_view word) { return type.find(word) != std::string_view::npos; };
    if (has("DIGITAL") || has("BYTE") || has("STRING"))
        return Width::BitOrByte;
    if (has("REAL") || has("LONG"))
        return Width::DoubleWord;
    if (has("INT") || has("BCD"))
        return Width::Word;
    return Width::None;
}

char Letter(Width w)
{
    return w == Width::Word ? 'W' : w == Width::DoubleWord ? 'D' : 'X';
}

// Bytes one element spans: the last element of n starts at s + size * (n - 1).
int64_t ElementSize(Width w)
{
    return w == Width::Word ? 2 : w == Width::DoubleWord ? 4 : 1;
}

// The number at the start of `text` as atoi reads it (blanks, a sign, digits), saturated so that no
// table value can overflow the arithmetic of the last element.
int64_t LeadingNumber(std::string_view text)
{
    constexpr int64_t kCap = 1'000'000'000;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(kCap, value * 10 + (text[i] - '0'));
    return negative ? -value : value;
}

std::string Cut(std::string text)
{
    if (text.size() > kTextMax)
        text.resize(kTextMax);
    return text;
}

// The element count of an array address ("[n]"), or 0 when the address is no array.
int64_t ElementCount(std::string_view addr)
{
    size_t bracket = addr.find('[');
    return bracket == std::string_view::npos ? 0 : LeadingNumber(addr.substr(bracket + 1));
}

// Only a positive count names a last element; a zero, negative or missing count learns the first.
void AddLastElement(std::vector<std::string> &texts, int64_t n, std::string text)
{
    if (n > 0)
        texts.push_back(Cut(std::move(text)));
}

std::vector<std::string> BlockAndOffset(std::string_view unit, std::string_view addr, size_t db, size_t comma,
                                        Width w)
{
    std::string_view block = addr.substr(db, comma - db);
    std::string_view offset = addr.substr(comma + 1);
    std::string prefix = std::string(unit) + ":" + std::string(block) + "," + Letter(w);
    std::vector<std::string> texts{Cut(prefix + std::string(offset))};
    if (addr.find('[') != std::string_view::npos) {
        int64_t n = ElementCount(addr);
        int64_t s = LeadingNumber(offset);
        AddLastElement(texts, n, prefix + std::to_string(s + ElementSize(w) * (n - 1)));
    }
    return texts;
}

std::vector<std::string> MemoryArea(std::string_view unit, std::string_view addr, Width w)
{
    size_t digit = addr.find_first_of("0123456789");
    bool array = addr.find('[') != std::string_view::npos;
    if (array && digit == std::string_view::npos)
        return {};
    std::string head = std::string(unit) + ":";
    std::vector<std::string> texts;
    if (w == Width::BitOrByte) {
        texts.push_back(Cut(head + std::string(addr)));
        head += addr[0];
    } else {
        head += addr[0];
        head += Letter(w);
        texts.push_back(Cut(head + std::string(addr.substr(1))));
    }
    if (array) {
        int64_t n = ElementCount(addr);
        int64_t s = LeadingNumber(addr.substr(digit));
        AddLastElement(texts, n, head + std::to_string(s + ElementSize(w) * (n - 1)));
    }
    return texts;
}

} // namespace

std::vector<std::string> BuildAddressTexts(std::string_view unit, std::string_view addr,
                                           std::string_view type)
{
    Width w = WidthOf(type);
    if (w == Width::None)
        return {};
    std::string_view u = unit.substr(0, kTextMax);
    addr = addr.substr(0, kTextMax);

    size_t db = addr.find("DB");
    if (db != std::string_view::npos) {
        size_t comma = addr.find(',', db + 2);
        if (comma != std::string_view::npos)
            return BlockAndOffset(u, addr, db, comma, w);
        return {Cut(std::string(u) + ":" + std::string(addr.substr(db)))};
    }
    if (addr.find_first_of("MIQ") != std::string_view::npos)
        return MemoryArea(u, addr, w);
    size_t d = addr.find('D');
    if (d != std::string_view::npos) {
        size_t colon = addr.find(':', d + 1);
        if (colon == std::string_view::npos)
            return {};
        return {Cut(std::string(u) + ":DB:" + std::string(addr.substr(d + 1, colon - d - 1)) + ":" +
                    std::string(addr.substr(colon + 1)))};
    }
    return {};
}

} // namespace hostdb
