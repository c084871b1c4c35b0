#pragma once
// Byte offsets of the 196-byte device file record.
#include <cstddef>

namespace devrec
{
inline constexpr size_t kFirstPollRecord = 0; // u16, filled by the file writer
inline constexpr size_t kPollRecordCount = 2; // u16, filled by the file writer
inline constexpr size_t kName = 4;            // 11 characters + terminator
inline constexpr size_t kNameChars = 11;
inline constexpr size_t kDescription = 16;      // 35 characters + terminator
inline constexpr size_t kDescriptionOlder = 10; // where files of the older layout keep it
inline constexpr size_t kDescriptionChars = 35;
inline constexpr size_t kPlcType = 66; // u16 PLC type value
inline constexpr size_t kAddress = 72; // 12 characters + terminator
inline constexpr size_t kAddressChars = 12;
inline constexpr size_t kNetAddress = 85; // 6 Ethernet bytes, or the IPv4 number (u32)
inline constexpr size_t kReadTsap = 91;   // 8 characters + terminator
inline constexpr size_t kWriteTsap = 100; // 8 characters + terminator
inline constexpr size_t kTsapChars = 8;
inline constexpr size_t kBackupAddress = 117; // 12 characters + terminator
inline constexpr size_t kBackupNetAddress = 130;
inline constexpr size_t kBackupReadTsap = 136;
inline constexpr size_t kBackupWriteTsap = 145;
inline constexpr size_t kBackupConnectionEnabled = 166; // u16
inline constexpr size_t kBackupChannelEnabled = 170;    // u16
} // namespace devrec
