#pragma once
// The poll record of this driver: one contiguous block of memory in a Siemens S5, S7 or Simatic TI
// controller. It adds to CIORec what depends on the controller family: the packed address formats and
// their texts, the per-family length and address limits, the overlap rule between the records of one
// device, the 78-byte file record, the CSV line, the row of the poll-record list and the merging of
// learned addresses.
#include "model/iorec.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the poll-record list shows for one record: nine column texts and the state image.
struct IORecListRow {
    std::array<std::string, 9> columns;
    int stateImage = 4;
    bool statusChanged = false; // the live status changed while the row was built
};

// Titles of the nine columns of the poll-record list ("I/O Blocks" ... "Dead Band").
std::array<std::string, 9> IORecListColumnTitles();
// State image of a live status as ReadLiveStatus gives it: 0 -> 1, 4293 -> 2, 4296 and 4297 -> 3,
// anything else (no running driver included) -> 4.
int IORecStateImage(int liveStatus);

// Limits of a PLC type value: the longest record in elements and the longest record a learned address
// may grow to (0: learning only adds a device's first record).
struct PlcRecordLimits {
    uint16_t maxLength;
    uint16_t maxMergedLength;
};
// Nothing for a value that is no PLC type.
std::optional<PlcRecordLimits> PlcRecordLimitsOf(uint16_t plcTypeValue);

// What LearnAddress did with an address.
enum class LearnResult {
    Ignored,  // no colon, no such device, or an address the device's family refuses
    Added,    // a new record was added to the device
    Covered,  // an existing record already covers the address
    Merged,   // an existing record was widened to take the address
    NotMerged // a TI (or unknown) device that already has records: nothing learned
};

class CDrvSpecificIORec : public CIORec
{
public:
    CDrvSpecificIORec() = default;

    // Takes a file record; the record joins the current device of the current channel. 1 when there
    // was such a device, else 0 (the fields are read all the same).
    int ReadRecord(IORecRecordView record) override;
    void WriteRecord(IORecRecordBuffer record) const override;
    // Inserts (row at or beyond the item count) or replaces the row of this record.
    void ShowInList(int row, IListControl &list) override;
    // true with the cursor past the fields read; false leaves no device attached.
    bool ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored) override;
    void WriteCsv(std::string &line, std::string_view separator) const override;
    void WriteCsvHeader(std::string &line, std::string_view separator) const override;
    // Records the device and, when there is one, derives the PLC family from it.
    void SetDevice(CDevice *device) override;

    // The nine texts and the state image of this record's row (reads the live status).
    IORecListRow ListRow(int row);

    int16_t GetPlcFamily() const { return m_plcFamily; }
    void SetPlcFamily(int16_t family) { m_plcFamily = family; }
    uint16_t GetDataBlock() const { return m_dataBlock; }
    void SetDataBlock(uint16_t db) { m_dataBlock = db; }
    // The PLC type value of the device (kDictNoMatch without a Siemens device).
    uint16_t GetPlcTypeValue() const;

    // which = 1 sets the start address, anything else the end address. 1 on success, 0 on failure
    // with one message (the record unchanged): 4004 for an address outside the family's range or
    // its packed word, 4064 for a data block out of range, 4060 to 4063 for a text that is no
    // address, 4065 for an end address outside the start's memory area (memory type and data
    // block). A record without a length (0) takes, on S7, the length its start address implies
    // (MB 1, MW 2, MD 4), judged against the address range at once; a record with a length whose
    // start moves to another area takes its end in the new area from that length.
    int ParseAddress(std::string_view text, int which);
    // ParseAddress for a reader that sets the length next (a CSV line): no length is taken from
    // the text, so the range is judged once, with the length the reader sets.
    int ParseAddressKeepingLength(std::string_view text, int which);
    // which = 1 the start, otherwise the end address as text; "--Undefined--" while the length is 0.
    std::string GetAddressText(int which) const;
    // End address from start and length; 1, or 0 with message 4004 and end = start (also when the
    // last element would lie beyond what the packed address holds).
    int ComputeEnd();
    // Length from start and end (a length of 0 becomes 1 with end = start); TI records take the data
    // type their memory type implies.
    void ComputeLength();
    // An empty text sets 0. 1 on success; 0 (message shown, length unchanged) otherwise.
    int SetLength(std::string_view text);
    std::string GetLengthText() const;
    // Start not after end and length within the PLC type's maximum (messages 3005, 3002); on success
    // the data type is adjusted. 1 or 0.
    int CheckLimits();
    // Applies the data type at `index` as the family allows (only while the length is not 0).
    void AdjustDataType(uint16_t index);
    using CIORec::GetDataTypeText;
    using CIORec::SetDataType;
    // With the family's data type dictionary.
    int SetDataType(std::string_view text);
    std::string GetDataTypeText() const;
    // KVZ_Data_Type_dct, S7_Data_Type_dct or TI_Data_Type_dct; empty for an unknown family.
    Dictionary GetDataTypeDictionary() const;

    // 1 (message 3007 shown) when this record overlaps another record of the current channel's
    // current device, whose current poll record is the one being edited and is skipped; else 0.
    int OverlapTest() const;
    // The 1-based position of the first record of `device` (other than `skip` and records of length 0)
    // that this record overlaps, or 0.
    int FindOverlap(const CDevice &device, const CIORec *skip) const;

    // Merges "device:address" into the poll records of that device (see LearnResult).
    static LearnResult LearnAddress(std::string_view text);

    // CIORec's settings plus the family and the data block.
    using CIORec::CompareSettings;
    using CIORec::CopySettingsFrom;
    void CopySettingsFrom(const CDrvSpecificIORec &other);
    bool CompareSettings(const CDrvSpecificIORec &other) const;

private:
    void DerivePlcFamily();
    // ComputeEnd with or without the family's address limit.
    int ComputeEndAddress(bool checkLimit);
    int ParseAddressText(std::string_view text, int which, bool lengthFromText);
    // `typed` is the text as given (for the messages), `text` the same upper-cased.
    bool ParseS5(std::string_view typed, std::string_view text, int which);
    bool ParseS7(std::string_view typed, std::string_view text, int which, bool lengthFromText);
    bool ParseTi(std::string_view typed, std::string_view text, int which);
    // Whether packed address `a` (with `dataBlock` on S7) lies in the memory area of the start.
    bool InStartArea(uint32_t a, uint16_t dataBlock) const;
    // Takes `a` as the start (see ParseAddress); `impliedLength` is what a record without a length
    // takes (nothing: it keeps 0). False, with the record unchanged, when the end would lie beyond
    // the address range.
    bool TakeStart(uint32_t a, uint16_t dataBlock, std::optional<uint16_t> impliedLength);
    // Takes `a` as the end unless it lies outside the start's area (message 4065).
    bool TakeEnd(uint32_t a, uint16_t dataBlock, std::string_view typed);

    int16_t m_plcFamily = -1;
    uint16_t m_dataBlock = 0;
};
