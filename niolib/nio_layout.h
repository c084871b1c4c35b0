#pragma once
// Byte layout of the driver control block and of the driver image table, as both sides share them.
// All numbers little-endian; image offsets marked "from H" count from the header at byte 102.
#include "platform/record_layout.h"

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
// The names NIOLIB and the poll engine read the image by; every offset and size is the one definition
// of platform/record_layout.h.
inline constexpr size_t kHeaderOffset = layout::file::kHeaderPos; // H
inline constexpr size_t kHeaderSize = layout::header::kSize;
inline constexpr size_t kHdrChannelCount = layout::header::kChannelCount;       // int8
inline constexpr size_t kHdrDeviceCount = layout::header::kDeviceCount;         // uint8
inline constexpr size_t kHdrVersion = layout::header::kVersion;                 // uint32
inline constexpr size_t kHdrPollRecordCount = layout::header::kPollRecordCount; // int16
inline constexpr size_t kHdrChannelTable = layout::header::kChannelTable;       // uint32, from H
inline constexpr size_t kHdrDeviceTable = layout::header::kDeviceTable;         // uint32, from H
inline constexpr size_t kHdrPollRecordTable = layout::header::kPollRecordTable; // uint32, from H

inline constexpr uint32_t kVersionOlder = layout::header::kVersionOlder;
inline constexpr uint32_t kVersionCurrent = layout::header::kVersionCurrent;
// What the image reader accepts (narrower than what the file's widths allow).
inline constexpr int kMaxChannels = 31;
inline constexpr int kMaxDevices = 253;

inline constexpr size_t kTableEntrySize = layout::table::kEntrySize;       // channel and device tables
inline constexpr size_t kPollTableEntrySize = layout::pollentry::kSize;    // poll-record table
inline constexpr size_t kPollEntryBlockOffset = layout::pollentry::kBlock; // uint32, from H

inline constexpr size_t kChannelRecordSize = layout::channel::kSize;
inline constexpr size_t kChanTxCount = layout::channel::kTransmitCount;           // uint16
inline constexpr size_t kChanRxCount = layout::channel::kReceiveCount;            // uint16
inline constexpr size_t kChanFirstDevice = layout::channel::kFirstDevice;         // int16
inline constexpr size_t kChanDeviceCount = layout::channel::kDeviceCount;         // int16
inline constexpr size_t kChanFirstPollRecord = layout::channel::kFirstPollRecord; // int16
inline constexpr size_t kChanPollRecordCount = layout::channel::kPollRecordCount; // int16

inline constexpr size_t kDeviceRecordSize = layout::device::kSize;
inline constexpr size_t kDevName = layout::device::kName; // NUL-terminated

inline constexpr size_t kPollRecordSize = layout::pollrec::kSize; // a data block begins with it
inline constexpr size_t kBlkStatus = layout::pollrec::kRecordTag; // uint16, low 13 bits shown
inline constexpr uint16_t kStatusMask = layout::pollrec::kStatusMask;
inline constexpr size_t kBlkArea4Size = layout::pollrec::kArea4Size; // uint32
inline constexpr size_t kBlkArea1Off = layout::pollrec::kArea1Off;   // uint32
inline constexpr size_t kBlkArea1Size = layout::pollrec::kArea1Size; // uint16
inline constexpr size_t kBlkArea2Off = layout::pollrec::kArea2Off;
inline constexpr size_t kBlkArea2Size = layout::pollrec::kArea2Size;
inline constexpr size_t kBlkArea3Off = layout::pollrec::kArea3Off;
inline constexpr size_t kBlkArea3Size = layout::pollrec::kArea3Size;
inline constexpr size_t kBlkArea4Off = layout::pollrec::kArea4Off;
inline constexpr size_t kBlkArea5Off = layout::pollrec::kArea5Off;
inline constexpr size_t kBlkArea5Size = layout::pollrec::kArea5Size;
inline constexpr size_t kBlkTimeStamp = layout::pollrec::kTimeStamp; // FILETIME, 8 bytes

// ---- What a poll engine reads besides the above ----
inline constexpr size_t kChanProtocol = layout::channel::kProtocol; // uint8: 2 ISO transport (H1), 6 TCP/IP
inline constexpr size_t kChanRetries = layout::channel::kRetries;   // uint8
inline constexpr size_t kChanReplyTimeout = layout::channel::kReplyTimeout; // int32, hundredths of a second
inline constexpr size_t kChanDelay = layout::channel::kDelay;               // int32, hundredths of a second
inline constexpr size_t kChanEthernetCard = layout::channel::kEthernetCard; // char16_t[128], zero-terminated
inline constexpr size_t kChanEthernetCardChars = layout::channel::kEthernetCard.width / sizeof(char16_t);
inline constexpr uint8_t kProtocolIso = layout::channel::kProtocolIso;
inline constexpr uint8_t kProtocolTcp = layout::channel::kProtocolTcp;

inline constexpr size_t kDevFirstPollRecord = layout::device::kFirstPollRecord; // uint16, image index
inline constexpr size_t kDevPollRecordCount = layout::device::kPollRecordCount; // uint16
inline constexpr size_t kDevNameSize = layout::device::kName.width;
inline constexpr size_t kDevPlcType = layout::device::kPlcType;                // uint16, PLC type value
inline constexpr size_t kDevAddress = layout::device::kNetAddress;             // MAC (ISO) or IPv4 as uint32
inline constexpr size_t kDevReadTsap = layout::device::kReadTsap;              // char[8], zero after
inline constexpr size_t kDevBackupAddress = layout::device::kBackupNetAddress; // as kDevAddress
inline constexpr size_t kDevBackupReadTsap = layout::device::kBackupReadTsap;  // char[8]
inline constexpr size_t kDevBackupEnabled = layout::device::kBackupConnectionEnabled; // uint16
inline constexpr size_t kDevTsapSize = layout::device::kTsapChars;
inline constexpr size_t kDevAddressSize = layout::device::kNetAddress.width;

inline constexpr size_t kBlkPollEnabled = layout::pollrec::kPollEnabled;   // uint8
inline constexpr size_t kBlkPollTime = layout::pollrec::kPollTimeCs;       // int32, hundredths of a second
inline constexpr size_t kBlkDataType = layout::pollrec::kDataTypeCode;     // uint16
inline constexpr size_t kBlkElementCount = layout::pollrec::kElementCount; // uint16
inline constexpr size_t kBlkStartAddress = layout::pollrec::kStartAddress; // uint32, packed by family
inline constexpr size_t kBlkPlcFamily = layout::pollrec::kPlcFamily;       // int16: 0 S5, 1 S7, 2 TI, 3 as S7
inline constexpr size_t kBlkDbNumber = layout::pollrec::kDbNumber;         // uint16 (S7)
inline constexpr uint16_t kRecordTag = layout::pollrec::kRecordTagValue;   // as written: not polled yet

} // namespace nio
