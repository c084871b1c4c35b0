#include "model/siemens_address.h"

#include "model/dictionaries.h"

#include <cstdio>
#include <limits>

namespace addr
{

uint32_t PackTi(uint16_t memType, uint32_t address)
{
    if (TiIsShortType(memType))
        return (static_cast<uint32_t>(memType & 0xFFF) << 16) | (address & 0xFFFF);
    return (static_cast<uint32_t>((memType >> 4) & 0xFF) << 20) | (address & 0xFFFFF);
}

uint16_t TiMemType(uint32_t a)
{
    uint16_t high = static_cast<uint16_t>((a >> 16) & 0xFFF);
    if (((a >> 24) & 0xF) == 8)
        return high;
    return static_cast<uint16_t>(high & ~0xFu);
}

uint32_t TiAddressMask(uint32_t a)
{
    return ((a >> 24) & 0xF) == 8 ? 0xFFFFu : 0xFFFFFu;
}

} // namespace addr

namespace
{

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal number at the start of `text` as atoi reads it (blanks, a sign, digits; 0 when there are
// none), saturated to the int32 range. `consumed` tells how many characters it took.
long LeadingNumber(std::string_view text, size_t *consumed = nullptr)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr long kLimit = std::numeric_limits<int32_t>::max();
    long value = 0;
    size_t digitsFrom = i;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        value = value >= kLimit / 10 ? kLimit : value * 10 + (text[i] - '0');
    if (value > kLimit)
        value = kLimit;
    if (consumed)
        *consumed = i == digitsFrom ? 0 : i;
    return negative ? -value : value;
}

std::string Format(const char *format, const std::string &memText, long a, long b = 0)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, memText.c_str(), a, b);
    return buf;
}

AddressSyntax Unreadable(AddressFault fault)
{
    AddressSyntax out;
    out.fault = fault;
    return out;
}

} // namespace

AddressSyntax ReadS5AddressSyntax(std::string_view text)
{
    AddressSyntax out;
    out.memType = DictValueOf(KVZ_Mem_Type_dct, text);
    if (out.memType == kDictNoMatch)
        return Unreadable(AddressFault::UnknownMemoryType);
    size_t first = text.find_first_of(kAddressSeparators);
    if (first == std::string_view::npos)
        return Unreadable(AddressFault::SeparatorMissing);
    long number = LeadingNumber(text.substr(first + 1));
    if (!addr::S5HasDataBlock(out.memType)) {
        out.address = number;
        return out;
    }
    size_t second = text.find_first_of(kAddressSeparators, first + 1);
    if (second == std::string_view::npos)
        return Unreadable(AddressFault::SeparatorMissing);
    out.dataBlock = number;
    out.address = LeadingNumber(text.substr(second + 1));
    return out;
}

AddressSyntax ReadS7AddressSyntax(std::string_view text)
{
    AddressSyntax out;
    out.memType = DictValueOf(S7_Mem_Type_dct, text);
    if (out.memType == kDictNoMatch)
        return Unreadable(AddressFault::UnknownMemoryType);
    size_t digitsFrom = 0;
    if (out.memType == kS7MemDB) {
        // The block number follows the two letters; the byte address comes after a separator.
        constexpr size_t kAfterLetters = 2;
        size_t consumed = 0;
        out.dataBlock = LeadingNumber(text.substr(kAfterLetters), &consumed);
        size_t separator = text.find_first_of(kAddressSeparators, kAfterLetters + consumed);
        if (separator == std::string_view::npos)
            return Unreadable(AddressFault::SeparatorMissing);
        digitsFrom = separator + 1;
    }
    size_t digits = text.find_first_of("0123456789", digitsFrom);
    if (digits == std::string_view::npos)
        return Unreadable(AddressFault::NumberMissing);
    out.address = LeadingNumber(text.substr(digits));
    out.letterBeforeDigits = digits > 0 ? text[digits - 1] : 0;
    return out;
}

AddressSyntax ReadTiAddressSyntax(std::string_view text)
{
    AddressSyntax out;
    out.memType = DictValueOf(TI_Mem_Type_dct, text);
    if (out.memType == kDictNoMatch)
        return Unreadable(AddressFault::UnknownMemoryType);
    size_t separator = text.find_first_of(kAddressSeparators);
    if (separator == std::string_view::npos)
        return Unreadable(AddressFault::SeparatorMissing);
    out.address = LeadingNumber(text.substr(separator + 1));
    return out;
}

uint16_t S7LengthOfLetter(char letter)
{
    switch (letter) {
    case 'B':
    case 'I':
    case 'M':
    case 'O':
    case 'X':
        return 1;
    case 'W':
        return 2;
    case 'D':
        return 4;
    default:
        return 0;
    }
}

std::string S5AddressText(uint32_t a)
{
    uint16_t memType = addr::S5MemType(a);
    std::string memText = DictTextOrUndefined(KVZ_Mem_Type_dct, memType);
    long word = static_cast<int16_t>(addr::S5Word(a));
    if (addr::S5HasDataBlock(memType))
        return Format("%s:%ld:%ld", memText, addr::S5DataBlock(a), word);
    return Format("%s:%ld", memText, word);
}

std::string S7AddressText(uint32_t a, uint16_t dataBlock)
{
    uint16_t memType = addr::S7MemType(a);
    std::string memText = DictTextOrUndefined(S7_Mem_Type_dct, memType);
    long byte = static_cast<long>(addr::S7Byte(a));
    if (memType == kS7MemDB)
        return Format("%s%03ld,B%04ld", memText, dataBlock, byte);
    return Format("%s%ld", memText, byte);
}

std::string TiAddressText(uint32_t a)
{
    std::string memText = DictTextOrUndefined(TI_Mem_Type_dct, addr::TiMemType(a));
    return Format("%s:%ld", memText, static_cast<long>(addr::TiAddress(a)));
}
