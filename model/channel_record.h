#pragma once
// Byte offsets of the 384-byte channel file record (the driver image holds the same bytes).
#include <cstddef>

namespace chrec
{
inline constexpr size_t kPortCopy = 0;             // u8: copy of kPort
inline constexpr size_t kTransmitCount = 2;        // u16, kept by the running driver
inline constexpr size_t kReceiveCount = 4;         // u16, kept by the running driver
inline constexpr size_t kFirstDevice = 40;         // u16, filled by the file writer
inline constexpr size_t kDeviceCount = 42;         // u16, filled by the file writer
inline constexpr size_t kFirstPollRecord = 44;     // u16, filled by the file writer
inline constexpr size_t kPollRecordCount = 46;     // u16, filled by the file writer
inline constexpr size_t kDisplayAlarms = 48;       // u8
inline constexpr size_t kCommsAlarmsDisabled = 49; // u8
// One port-setting set; the backup set starts kBackupShift bytes later.
inline constexpr size_t kPort = 50;         // u8: low 8 bits of (port - 1)
inline constexpr size_t kBaudRate = 51;     // u8: baud value; the protocol value is written over it
inline constexpr size_t kDataBits = 52;     // u8: bits 0-3 data bits value, bits 4-7 bits 8-11 of (port - 1)
inline constexpr size_t kStopBits = 53;     // u8
inline constexpr size_t kParity = 54;       // u8
inline constexpr size_t kFlowControl = 56;  // u8
inline constexpr size_t kRetries = 57;      // u8
inline constexpr size_t kReplyTimeout = 58; // i32 hundredths
inline constexpr size_t kDelay = 62;        // i32 hundredths
inline constexpr size_t kBackupShift = 16;
inline constexpr size_t kReserved = 84;      // 4 zero bytes
inline constexpr size_t kProtocol = 51;      // u8: protocol value
inline constexpr size_t kEthernetCard = 116; // 128 UTF-16 units, zero-terminated
inline constexpr size_t kEthernetCardUnits = 127;
} // namespace chrec
