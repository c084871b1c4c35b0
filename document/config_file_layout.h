#pragma once
// Where things lie in the configuration file. The file is the driver's memory image: a preamble, a
// header at byte 102 ("H"), three offset tables and the records, each starting on a file position
// divisible by 8. Every offset stored inside the file counts from H.
#include <cstddef>
#include <cstdint>

namespace cfgfile
{

inline constexpr size_t kPreambleSize = 102;
inline constexpr size_t kFileLength = 0;     // uint32, the whole file's length
inline constexpr size_t kFileLengthCopy = 4; // the same again

inline constexpr size_t kHeaderPos = kPreambleSize; // H
inline constexpr size_t kHeaderSize = 34;
// Header fields, offsets from H.
inline constexpr size_t kHdrChannelCount = 3;       // int8
inline constexpr size_t kHdrDeviceCount = 4;        // uint8
inline constexpr size_t kHdrSaveTime = 6;           // uint32, seconds since 1970
inline constexpr size_t kHdrVersion = 10;           // uint32
inline constexpr size_t kHdrChannelRecordSize = 16; // uint16
inline constexpr size_t kHdrPollRecordCount = 18;   // uint16 (read as int16)
inline constexpr size_t kHdrDeviceRecordSize = 20;  // uint16
inline constexpr size_t kHdrChannelTable = 22;      // uint32
inline constexpr size_t kHdrDeviceTable = 26;       // uint32
inline constexpr size_t kHdrPollRecordTable = 30;   // uint32

inline constexpr uint32_t kCurrentVersion = 279;

inline constexpr size_t kChannelTableEntrySize = 4;
inline constexpr size_t kDeviceTableEntrySize = 4;
inline constexpr size_t kPollTableEntrySize = 32;
// Poll-record table entry fields.
inline constexpr size_t kPollEntryBlock = 0;      // uint32, offset from H of the data block
inline constexpr size_t kPollEntryAccessTime = 8; // int32, hundredths of a second
inline constexpr size_t kPollEntryEnabled = 14;   // uint8
inline constexpr size_t kPollEntryReserved = 20;  // uint32, written as 0

// Envelope fields the writer sets inside the channel record.
inline constexpr size_t kChanTransmitCount = 2;
inline constexpr size_t kChanReceiveCount = 4;
inline constexpr size_t kChanFirstDevice = 40;
inline constexpr size_t kChanDeviceCount = 42;
inline constexpr size_t kChanFirstPollRecord = 44;
inline constexpr size_t kChanPollRecordCount = 46;

// ... inside the device record.
inline constexpr size_t kDevFirstPollRecord = 0;
inline constexpr size_t kDevPollRecordCount = 2;

// ... and inside the poll record, with the area sizes the writer reads back from it.
inline constexpr size_t kRecPollEnabled = 2;
inline constexpr size_t kRecDeviceIndex = 14;
inline constexpr size_t kRecArea1Size = 32; // uint16
inline constexpr size_t kRecArea2Size = 38; // uint16
inline constexpr size_t kRecArea3Size = 44; // uint16
inline constexpr size_t kRecArea4Size = 24; // uint32
inline constexpr size_t kRecArea5Size = 56; // uint16

// What the widths of the file allow.
inline constexpr size_t kMaxChannels = 127;
inline constexpr size_t kMaxDevices = 255;
inline constexpr size_t kMaxPollRecords = 32767;

inline constexpr uint8_t kPadByte = 'G';

} // namespace cfgfile
