#include "model/net_address.h"

#include <vector>

namespace model
{

namespace
{

constexpr std::string_view kHexDigits = "ABCDEFabcdef0123456789";
constexpr std::string_view kIpChars = "0123456789.";
constexpr size_t kIpTextLimit = 64;

std::vector<std::string_view> NonEmptyPieces(std::string_view text)
{
    std::vector<std::string_view> pieces;
    size_t at = 0;
    while (at <= text.size()) {
        size_t dot = text.find('.', at);
        size_t end = dot == std::string_view::npos ? text.size() : dot;
        if (end > at)
            pieces.push_back(text.substr(at, end - at));
        if (dot == std::string_view::npos)
            break;
        at = dot + 1;
    }
    return pieces;
}

// The leading digits of `piece` as a number, saturated just above 255 so long runs cannot overflow.
unsigned OctetValue(std::string_view piece)
{
    unsigned v = 0;
    for (char c : piece) {
        if (c < '0' || c > '9')
            break;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 255)
            return 256;
    }
    return v;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

} // namespace

bool IsValidEthernetAddress(std::string_view text)
{
    return text.size() == 12 && text.find_first_not_of(kHexDigits) == std::string_view::npos;
}

bool IsValidIpAddress(std::string_view text)
{
    if (text.find_first_not_of(kIpChars) != std::string_view::npos || text.size() >= kIpTextLimit)
        return false;
    std::vector<std::string_view> pieces = NonEmptyPieces(text);
    if (pieces.size() < 4)
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (OctetValue(pieces[i]) > 255)
            return false;
    return true;
}

std::array<uint8_t, 6> EthernetBytesOf(std::string_view text)
{
    std::array<uint8_t, 6> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) {
        int hi = 2 * i < text.size() ? HexValue(text[2 * i]) : 0;
        int lo = 2 * i + 1 < text.size() ? HexValue(text[2 * i + 1]) : 0;
        bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return bytes;
}

uint32_t Ipv4NumberOf(std::string_view text)
{
    std::vector<std::string_view> pieces = NonEmptyPieces(text);
    uint32_t number = 0;
    for (size_t i = 0; i < 4; ++i) {
        unsigned octet = i < pieces.size() ? OctetValue(pieces[i]) : 0;
        number = (number << 8) | (octet > 255 ? 0 : octet);
    }
    return number;
}

std::string Ipv4TextOf(uint32_t number)
{
    return std::to_string(number >> 24) + "." + std::to_string((number >> 16) & 0xFF) + "." +
           std::to_string((number >> 8) & 0xFF) + "." + std::to_string(number & 0xFF);
}

} // namespace model
