#pragma once
// A change of a device's PLC type as the configuration view makes it: which changes keep the poll
// records and which TSAPs they write, the question before records are dropped, and the first poll
// record of a device.
#include <cstdint>
#include <optional>
#include <string>

class CDrvSpecificDevice;
class CIORec;

// What a change from PLC type code `from` to code `to` (the values of KVZ_hw_options_dct) keeps.
struct PlcTypeChangePlan {
    bool keepsPollRecords = false;
    // The primary read and write TSAPs the change writes; nothing when the TSAPs stay as they are.
    std::optional<std::pair<std::string, std::string>> tsaps;
};
PlcTypeChangePlan PlanPlcTypeChange(uint16_t fromCode, uint16_t toCode);

enum class PlcTypeChange {
    Unchanged,            // the same row: nothing happened
    KeptPollRecords,      // type stored, records and TSAPs kept
    KeptPollRecordsTsaps, // type stored, records kept, TSAPs written: show the device again
    Refused,              // the user answered No to message 3003: nothing changed
    ReplacedPollRecords   // records removed, type stored, one first record, TSAPs of the new type
};

// Changes `device` to the PLC type at row `newIndex` of KVZ_hw_options_dct. A change that drops poll
// records asks message 3003 (Yes/No) first when the device has any. Every result other than Unchanged
// and Refused marks the document modified (the caller does that).
PlcTypeChange ChangePlcType(CDrvSpecificDevice &device, uint16_t newIndex);

// Where a first poll record comes from. Both give S5 "ST:0".."ST:99", S7 "ST0".."ST199" and Simatic TI
// "ST:1".."ST:100": a TI address of 0 is refused, so a new TI device cannot start at "ST:0".
enum class FirstRecordFor { NewDevice, PlcTypeChange };
// Creates a poll record with the device's defaults, appends it (it becomes the device's current poll
// record) and sets its start and end address by the device's family as `purpose` says.
CIORec *AddFirstPollRecord(CDrvSpecificDevice &device, FirstRecordFor purpose);
