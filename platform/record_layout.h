#pragma once
// The one definition of the configuration file's byte layout, which is also the running driver's
// image: the preamble and header, the offset tables and the channel, device and poll record. Every
// reader and writer of those bytes (the model's records, the file writer and reader, NIOLIB, the poll
// engine, the tests) takes its offsets from here. All numbers are little-endian; offsets "from H"
// count from the header at byte 102.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace layout
{

// A field of a record: where it starts and how many bytes it holds. It stands for its offset
// wherever an offset is asked for.
struct Field {
    size_t offset;
    size_t width;

    constexpr operator size_t() const { return offset; }
    constexpr size_t End() const { return offset + width; }
};

// True when every field lies inside a record of `size` bytes and no two of them share a byte.
constexpr bool FieldsFit(size_t size, std::initializer_list<Field> fields)
{
    for (const Field *a = fields.begin(); a != fields.end(); ++a) {
        if (a->End() > size)
            return false;
        for (const Field *b = a + 1; b != fields.end(); ++b)
            if (a->offset < b->End() && b->offset < a->End())
                return false;
    }
    return true;
}

// ---- The file as a whole ----
namespace file
{
inline constexpr size_t kPreambleSize = 102;
inline constexpr Field kLength{0, 4};               // uint32, the whole file's length
inline constexpr Field kLengthCopy{4, 4};           // the same again
inline constexpr size_t kHeaderPos = kPreambleSize; // H
inline constexpr uint8_t kPadByte = 'G';            // fills up to the next multiple of 8
// What the widths of the counts allow.
inline constexpr size_t kMaxChannels = 127;
inline constexpr size_t kMaxDevices = 255;
inline constexpr size_t kMaxPollRecords = 32767;
} // namespace file

// ---- The header, at H ----
namespace header
{
inline constexpr size_t kSize = 34;
inline constexpr Field kChannelCount{3, 1};       // int8
inline constexpr Field kDeviceCount{4, 1};        // uint8
inline constexpr Field kSaveTime{6, 4};           // uint32, seconds since 1970
inline constexpr Field kVersion{10, 4};           // uint32
inline constexpr Field kChannelRecordSize{16, 2}; // uint16
inline constexpr Field kPollRecordCount{18, 2};   // uint16, read as int16
inline constexpr Field kDeviceRecordSize{20, 2};  // uint16
inline constexpr Field kChannelTable{22, 4};      // uint32, from H
inline constexpr Field kDeviceTable{26, 4};       // uint32, from H
inline constexpr Field kPollRecordTable{30, 4};   // uint32, from H
static_assert(FieldsFit(kSize, {kChannelCount, kDeviceCount, kSaveTime, kVersion, kChannelRecordSize,
                                kPollRecordCount, kDeviceRecordSize, kChannelTable, kDeviceTable,
                                kPollRecordTable}));

inline constexpr uint32_t kVersionOlder = 278;
inline constexpr uint32_t kVersionCurrent = 279;
} // namespace header

// ---- The channel and device tables: one uint32 per record, its offset from H ----
namespace table
{
inline constexpr size_t kEntrySize = 4;
} // namespace table

// ---- The poll-record table: one entry per poll record ----
namespace pollentry
{
inline constexpr size_t kSize = 32;
inline constexpr Field kBlock{0, 4};      // uint32, offset from H of the data block
inline constexpr Field kAccessTime{8, 4}; // int32, hundredths of a second
inline constexpr Field kEnabled{14, 1};   // uint8
inline constexpr Field kReserved{20, 4};  // uint32, written as 0
static_assert(FieldsFit(kSize, {kBlock, kAccessTime, kEnabled, kReserved}));
} // namespace pollentry

// ---- The channel record ----
namespace channel
{
inline constexpr size_t kSize = 384;
inline constexpr Field kPortCopy{0, 1};             // uint8, copy of kPort
inline constexpr Field kTransmitCount{2, 2};        // uint16, kept by the running driver
inline constexpr Field kReceiveCount{4, 2};         // uint16, kept by the running driver
inline constexpr Field kFirstDevice{40, 2};         // uint16 (int16 in the image), filled by the writer
inline constexpr Field kDeviceCount{42, 2};         // uint16, filled by the writer
inline constexpr Field kFirstPollRecord{44, 2};     // uint16, filled by the writer
inline constexpr Field kPollRecordCount{46, 2};     // uint16, filled by the writer
inline constexpr Field kDisplayAlarms{48, 1};       // uint8
inline constexpr Field kCommsAlarmsDisabled{49, 1}; // uint8
// One port-setting set; the backup set lies kBackupShift bytes later.
inline constexpr Field kPort{50, 1};         // uint8: low 8 bits of (port - 1)
inline constexpr Field kBaudRate{51, 1};     // uint8: baud value; the protocol value is written over it
inline constexpr Field kProtocol{51, 1};     // uint8: 2 ISO transport (H1), 6 TCP/IP
inline constexpr Field kDataBits{52, 1};     // uint8: bits 0-3 data bits value, 4-7 bits 8-11 of (port - 1)
inline constexpr Field kStopBits{53, 1};     // uint8
inline constexpr Field kParity{54, 1};       // uint8
inline constexpr Field kFlowControl{56, 1};  // uint8
inline constexpr Field kRetries{57, 1};      // uint8
inline constexpr Field kReplyTimeout{58, 4}; // int32, hundredths of a second
inline constexpr Field kDelay{62, 4};        // int32, hundredths of a second
inline constexpr size_t kBackupShift = 16;
inline constexpr Field kReserved{84, 4};        // zero
inline constexpr Field kEthernetCard{116, 256}; // 128 UTF-16 units, zero-terminated
inline constexpr size_t kEthernetCardUnits = 127;
static_assert(FieldsFit(
    kSize,
    {kPortCopy,        kTransmitCount, kReceiveCount,        kFirstDevice, kDeviceCount,  kFirstPollRecord,
     kPollRecordCount, kDisplayAlarms, kCommsAlarmsDisabled, kPort,        kProtocol,     kDataBits,
     kStopBits,        kParity,        kFlowControl,         kRetries,     kReplyTimeout, kDelay,
     kReserved,        kEthernetCard}));
static_assert(kDelay.End() + kBackupShift <= kReserved.offset,
              "the backup set ends before the reserved bytes");

inline constexpr uint8_t kProtocolIso = 2;
inline constexpr uint8_t kProtocolTcp = 6;
} // namespace channel

// ---- The device record ----
namespace device
{
inline constexpr size_t kSize = 196;
inline constexpr Field kFirstPollRecord{0, 2}; // uint16, filled by the writer
inline constexpr Field kPollRecordCount{2, 2}; // uint16, filled by the writer
inline constexpr Field kName{4, 12};           // 11 characters + terminator
inline constexpr size_t kNameChars = 11;
inline constexpr Field kDescription{16, 36};      // 35 characters + terminator
inline constexpr Field kDescriptionOlder{10, 36}; // where files of the older layout keep it
inline constexpr size_t kDescriptionChars = 35;
inline constexpr Field kReserved{60, 4}; // zero
inline constexpr Field kPlcType{66, 2};  // uint16, PLC type value
inline constexpr Field kAddress{72, 13}; // 12 characters + terminator
inline constexpr size_t kAddressChars = 12;
inline constexpr Field kNetAddress{85, 6}; // 6 Ethernet bytes, or the IPv4 number (uint32)
inline constexpr Field kReadTsap{91, 9};   // 8 characters + terminator
inline constexpr Field kWriteTsap{100, 9}; // 8 characters + terminator
inline constexpr size_t kTsapChars = 8;
inline constexpr Field kBackupAddress{117, 13}; // 12 characters + terminator
inline constexpr Field kBackupNetAddress{130, 6};
inline constexpr Field kBackupReadTsap{136, 9};
inline constexpr Field kBackupWriteTsap{145, 9};
inline constexpr Field kBackupConnectionEnabled{166, 2}; // uint16
inline constexpr Field kBackupChannelEnabled{170, 2};    // uint16
static_assert(FieldsFit(kSize, {kFirstPollRecord, kPollRecordCount, kName, kDescription, kReserved, kPlcType,
                                kAddress, kNetAddress, kReadTsap, kWriteTsap, kBackupAddress,
                                kBackupNetAddress, kBackupReadTsap, kBackupWriteTsap,
                                kBackupConnectionEnabled, kBackupChannelEnabled}));
} // namespace device

// ---- The poll record: the head of its data block, followed by the five data areas ----
namespace pollrec
{
inline constexpr size_t kSize = 78;
inline constexpr Field kRecordTag{0, 2};     // uint16, 0x10C9 when written; the driver's status word
inline constexpr Field kPollEnabled{2, 1};   // uint8
inline constexpr Field kExceptionCode{5, 1}; // uint8, value in KVZ_Exception_dct
inline constexpr Field kPollTimeCs{6, 4};    // int32, hundredths of a second
inline constexpr Field kAccessTimeCs{10, 4}; // int32
inline constexpr Field kDeviceIndex{14, 2};  // uint16, filled by the file writer
inline constexpr Field kDeadBand{20, 4};     // float
inline constexpr Field kArea4Size{24, 4};    // uint32
inline constexpr Field kArea1Off{28, 4};     // uint32
inline constexpr Field kArea1Size{32, 2};    // uint16
inline constexpr Field kArea2Off{34, 4};     // uint32
inline constexpr Field kArea2Size{38, 2};    // uint16
inline constexpr Field kArea3Off{40, 4};     // uint32
inline constexpr Field kArea3Size{44, 2};    // uint16
inline constexpr Field kArea4Off{46, 4};     // uint32
inline constexpr Field kArea5Off{52, 4};     // uint32
inline constexpr Field kArea5Size{56, 2};    // uint16
inline constexpr Field kDataTypeCode{58, 2}; // uint16, value in the family's data type dictionary
inline constexpr Field kElementCount{60, 2}; // uint16, the length
inline constexpr Field kTimeStamp{62, 8};    // FILETIME, stamped by the driver
inline constexpr Field kStartAddress{70, 4}; // uint32, packed by family
inline constexpr Field kPlcFamily{74, 2};    // int16: 0 S5, 1 S7, 2 TI, 3 as S7
inline constexpr Field kDbNumber{76, 2};     // uint16
static_assert(FieldsFit(kSize, {kRecordTag,    kPollEnabled, kExceptionCode, kPollTimeCs,   kAccessTimeCs,
                                kDeviceIndex,  kDeadBand,    kArea4Size,     kArea1Off,     kArea1Size,
                                kArea2Off,     kArea2Size,   kArea3Off,      kArea3Size,    kArea4Off,
                                kArea5Off,     kArea5Size,   kDataTypeCode,  kElementCount, kTimeStamp,
                                kStartAddress, kPlcFamily,   kDbNumber}));

inline constexpr uint16_t kRecordTagValue = 0x10C9;
inline constexpr uint32_t kFirstAreaOffset = kSize; // area 1 follows the record
inline constexpr uint16_t kStatusMask = 0x1FFF;     // the part of the status word that is shown
} // namespace pollrec

} // namespace layout
