#pragma once
// The two kinds of controller address: a 12-digit hexadecimal Ethernet address (ISO transport) and
// an IPv4 address (TCP/IP), as texts and as the bytes of the device record.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace model
{

// Exactly 12 hexadecimal digits.
bool IsValidEthernetAddress(std::string_view text);
// Digits and full stops only, shorter than 64 characters, at least four non-empty pieces of which
// the first four are at most 255; further pieces are ignored.
bool IsValidIpAddress(std::string_view text);

// The six bytes, each from two hexadecimal digits in text order (a missing or bad digit counts 0).
std::array<uint8_t, 6> EthernetBytesOf(std::string_view text);
// The first four non-empty pieces as a number whose most significant byte is the first octet; an
// octet above 255 (or missing) contributes 0.
uint32_t Ipv4NumberOf(std::string_view text);
// "%d.%d.%d.%d", most significant byte first.
std::string Ipv4TextOf(uint32_t number);

} // namespace model
