#pragma once
// Poll-record addresses of the three Siemens controller families: how a start or end address is packed
// into one 32-bit word, how the user's address texts are read (syntax only; ranges are judged by the
// poll record) and how a packed address is written back as text.
#include <cstdint>
#include <string>
#include <string_view>

// PLC family of a poll record (see PlcFamilyOf): 3 behaves as S7, anything else is unknown.
inline constexpr int16_t kFamilyS5 = 0;
inline constexpr int16_t kFamilyS7 = 1;
inline constexpr int16_t kFamilyTi = 2;
inline constexpr int16_t kFamilyS7Alt = 3;
inline bool IsS7Family(int16_t family)
{
    return family == kFamilyS7 || family == kFamilyS7Alt;
}

// Memory type values the address rules single out.
inline constexpr uint16_t kS5MemDB = 1;
inline constexpr uint16_t kS5MemDX = 10;
inline constexpr uint16_t kS7MemDB = 4;
inline constexpr uint16_t kMemStatus = 15; // S5 "ST", S7 "S": always polled once a second

namespace addr
{

// S5: word address in bits 0-15, memory type in bits 20-23, data block (DB, DX only) in bits 24-31.
inline constexpr uint32_t kS5WordMask = 0xFFFF;
inline uint32_t PackS5(uint16_t memType, uint8_t dataBlock, uint16_t word)
{
    return word | (static_cast<uint32_t>(memType & 0xF) << 20) | (static_cast<uint32_t>(dataBlock) << 24);
}
inline uint16_t S5Word(uint32_t a)
{
    return static_cast<uint16_t>(a & kS5WordMask);
}
inline uint16_t S5MemType(uint32_t a)
{
    return static_cast<uint16_t>((a >> 20) & 0xF);
}
inline uint8_t S5DataBlock(uint32_t a)
{
    return static_cast<uint8_t>(a >> 24);
}
inline bool S5HasDataBlock(uint16_t memType)
{
    return memType == kS5MemDB || memType == kS5MemDX;
}

// S7: byte address in bits 0-19, memory type in bits 20-23; the data block is kept beside the address.
inline constexpr uint32_t kS7ByteMask = 0xFFFFF;
inline uint32_t PackS7(uint16_t memType, uint32_t byteAddress)
{
    return (static_cast<uint32_t>(memType & 0xF) << 20) | (byteAddress & kS7ByteMask);
}
inline uint32_t S7Byte(uint32_t a)
{
    return a & kS7ByteMask;
}
inline uint16_t S7MemType(uint32_t a)
{
    return static_cast<uint16_t>((a >> 20) & 0xF);
}

// TI: memory types of the form 0x8nn keep the whole value in bits 16-27 and a 16-bit address; the
// others keep bits 4-11 of the value in bits 20-27 and a 20-bit address.
inline bool TiIsShortType(uint16_t memType)
{
    return (memType & 0xF00) == 0x800;
}
uint32_t PackTi(uint16_t memType, uint32_t address);
uint16_t TiMemType(uint32_t a);
// The mask of the address part of a packed TI address (0xFFFF or 0xFFFFF).
uint32_t TiAddressMask(uint32_t a);
inline uint32_t TiAddress(uint32_t a)
{
    return a & TiAddressMask(a);
}

} // namespace addr

// Why an address text could not be read at all.
enum class AddressFault { None, UnknownMemoryType, SeparatorMissing, NumberMissing };

// What an address text says, before any range is judged. Numbers are read as the user typed them
// (saturated to the int32 range), so the caller can refuse what does not fit.
struct AddressSyntax {
    uint16_t memType = 0;
    long dataBlock = 0;
    long address = 0;
    char letterBeforeDigits = 0; // S7 only: the character in front of the byte address
    AddressFault fault = AddressFault::None;

    bool Readable() const { return fault == AddressFault::None; }
};

// The separators between the parts of an S5 or TI address, and after an S7 data block number.
inline constexpr std::string_view kAddressSeparators = ":;,./\\ ";

// The texts must already be upper-cased. A fault when the memory type matches no row, a separator is
// missing or (S7) there are no digits.
AddressSyntax ReadS5AddressSyntax(std::string_view text);
AddressSyntax ReadS7AddressSyntax(std::string_view text);
AddressSyntax ReadTiAddressSyntax(std::string_view text);

// Element count an S7 address implies by the letter in front of its digits: B, I, M, O, X 1; W 2; D 4;
// anything else 0.
uint16_t S7LengthOfLetter(char letter);

// A packed address as the user reads it: "DB:3:100" / "C:5", "DB010,B0020" / "M5", "V:100".
std::string S5AddressText(uint32_t a);
std::string S7AddressText(uint32_t a, uint16_t dataBlock);
std::string TiAddressText(uint32_t a);
