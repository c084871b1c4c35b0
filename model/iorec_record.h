#pragma once
// Byte offsets of the 78-byte poll record and the sizes of the five data areas that follow it in the
// file and in the running driver's image.
#include <cstddef>
#include <cstdint>

namespace iorec
{
inline constexpr size_t kRecordTag = 0;     // u16, 0x10C9 when written; the driver's status word
inline constexpr size_t kPollEnabled = 2;   // u8
inline constexpr size_t kExceptionCode = 5; // u8, value in KVZ_Exception_dct
inline constexpr size_t kPollTimeCs = 6;    // i32, hundredths of a second
inline constexpr size_t kAccessTimeCs = 10; // i32
inline constexpr size_t kDeviceIndex = 14;  // u16, filled by the file writer
inline constexpr size_t kDeadBand = 20;     // f32
inline constexpr size_t kArea4Size = 24;    // u32
inline constexpr size_t kArea1Off = 28;     // u32
inline constexpr size_t kArea1Size = 32;    // u16
inline constexpr size_t kArea2Off = 34;     // u32
inline constexpr size_t kArea2Size = 38;    // u16
inline constexpr size_t kArea3Off = 40;     // u32
inline constexpr size_t kArea3Size = 44;    // u16
inline constexpr size_t kArea4Off = 46;     // u32
inline constexpr size_t kArea5Off = 52;     // u32
inline constexpr size_t kArea5Size = 56;    // u16
inline constexpr size_t kDataTypeCode = 58; // u16, value in the family's data type dictionary
inline constexpr size_t kElementCount = 60; // u16, the length
inline constexpr size_t kTimeStamp = 62;    // 8 bytes, stamped by the driver
inline constexpr size_t kStartAddress = 70; // u32, packed
inline constexpr size_t kPlcFamily = 74;    // i16
inline constexpr size_t kDbNumber = 76;     // u16

inline constexpr uint16_t kRecordTagValue = 0x10C9;
inline constexpr uint32_t kFirstAreaOffset = 78;
} // namespace iorec

// Sizes of the five data areas of a poll record. The 16-bit sizes wrap as 16-bit numbers, as the
// driver reads them.
struct IORecAreaSizes {
    uint16_t area1 = 0;
    uint16_t area2 = 0;
    uint16_t area3 = 0;
    uint32_t area4 = 0;
    uint16_t area5 = 0;

    bool operator==(const IORecAreaSizes &) const = default;
};

// The areas of a record of `family` with exception value `exceptionValue` (KVZ_Exception_dct), data
// type value `dataTypeCode` and `length` elements.
IORecAreaSizes IORecAreaSizesOf(int16_t family, uint16_t exceptionValue, uint16_t dataTypeCode,
                                uint16_t length);
