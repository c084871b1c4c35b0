#pragma once
// Byte layout of the driver control block and of the driver image table, as both sides share them.
// All numbers little-endian; image offsets marked "from H" count from the header at byte 102.
#include <cstddef>
#include <cstdint>

namespace nio
{

// ---- Driver control block ----
inline constexpr size_t kControlBlockSize = 8432;
inline constexpr size_t kCbFirstWord = 0;    // uint16, 1 at creation
inline constexpr size_t kCbCmdState = 2;     // uint16, commanded by a client
inline constexpr size_t kCbRunState = 4;     // uint16, reported by the driver
inline constexpr size_t kCbGlobalFlag = 6;   // uint16
inline constexpr size_t kCbHeartbeat = 8;    // uint32
inline constexpr size_t kCbWatchdogMs = 12;  // uint32
inline constexpr size_t kCbLoadedMap = 16;   // uint32
inline constexpr size_t kCbCurrentMap = 20;  // uint32
inline constexpr size_t kCbClients = 28;     // uint32, interlocked add only
inline constexpr size_t kCbOwnerWindow = 32; // uint32
inline constexpr size_t kCbAttachCount = 40; // uint32
inline constexpr size_t kCbMapName = 76;     // char[16]
inline constexpr size_t kCbMapNameSize = 16;
inline constexpr size_t kCbConfigPath = 92; // char[128]
inline constexpr size_t kCbConfigPathSize = 128;
inline constexpr size_t kCbMsgWrite = 220;   // uint32, 0..63
inline constexpr size_t kCbMsgRead = 224;    // uint32, 0..63
inline constexpr size_t kCbMonitorOn = 232;  // uint32
inline constexpr size_t kCbMonitorAll = 236; // uint32
inline constexpr size_t kCbMessages = 240;   // 64 entries of 128 bytes
inline constexpr uint32_t kMessageCount = 64;
inline constexpr size_t kMessageSize = 128;
inline constexpr size_t kMsgCode = 0; // uint16
inline constexpr size_t kMsgText = 4; // char[124]
inline constexpr size_t kMsgTextSize = 124;
static_assert(kCbMessages + kMessageCount * kMessageSize == kControlBlockSize);

inline constexpr uint16_t kStateRun = 1;
inline constexpr uint16_t kStateStop = 2;
inline constexpr uint32_t kWatchdogCreated = 30000;
inline constexpr uint32_t kWatchdogClient = 15000;
inline constexpr uint32_t kMapCycle = 3; // image numbers run 1, 2, 3, 1, ...

// ---- Driver image table (the configuration file, loaded whole) ----
inline constexpr size_t kHeaderOffset = 102; // H
inline constexpr size_t kHeaderSize = 34;
inline constexpr size_t kHdrChannelCount = 3;     // int8
inline constexpr size_t kHdrDeviceCount = 4;      // uint8
inline constexpr size_t kHdrVersion = 10;         // uint32
inline constexpr size_t kHdrPollRecordCount = 18; // int16
inline constexpr size_t kHdrChannelTable = 22;    // uint32, from H
inline constexpr size_t kHdrDeviceTable = 26;     // uint32, from H
inline constexpr size_t kHdrPollRecordTable = 30; // uint32, from H

inline constexpr uint32_t kVersionOlder = 278;
inline constexpr uint32_t kVersionCurrent = 279;
inline constexpr int kMaxChannels = 31;
inline constexpr int kMaxDevices = 253;

inline constexpr size_t kTableEntrySize = 4;       // channel and device tables
inline constexpr size_t kPollTableEntrySize = 32;  // poll-record table
inline constexpr size_t kPollEntryBlockOffset = 0; // uint32, from H

inline constexpr size_t kChannelRecordSize = 384;
inline constexpr size_t kChanTxCount = 2;          // uint16
inline constexpr size_t kChanRxCount = 4;          // uint16
inline constexpr size_t kChanFirstDevice = 40;     // int16
inline constexpr size_t kChanDeviceCount = 42;     // int16
inline constexpr size_t kChanFirstPollRecord = 44; // int16
inline constexpr size_t kChanPollRecordCount = 46; // int16

inline constexpr size_t kDeviceRecordSize = 196;
inline constexpr size_t kDevName = 4; // NUL-terminated

inline constexpr size_t kPollRecordSize = 78; // a data block begins with it
inline constexpr size_t kBlkStatus = 0;       // uint16, low 13 bits shown
inline constexpr uint16_t kStatusMask = 0x1FFF;
inline constexpr size_t kBlkArea4Size = 24; // uint32
inline constexpr size_t kBlkArea1Off = 28;  // uint32
inline constexpr size_t kBlkArea1Size = 32; // uint16
inline constexpr size_t kBlkArea2Off = 34;
inline constexpr size_t kBlkArea2Size = 38;
inline constexpr size_t kBlkArea3Off = 40;
inline constexpr size_t kBlkArea3Size = 44;
inline constexpr size_t kBlkArea4Off = 46;
inline constexpr size_t kBlkArea5Off = 52;
inline constexpr size_t kBlkArea5Size = 56;
inline constexpr size_t kBlkTimeStamp = 62; // FILETIME, 8 bytes

} // namespace nio
