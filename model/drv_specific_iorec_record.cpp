// The 78-byte file record of a poll record.
#include "model/channel.h"
#include "model/dictionaries.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_record.h"
#include "model/number_text.h"
#include "model/record_bytes.h"
#include "model/siemens_address.h"
#include "model/tree_state.h"

#include <algorithm>

namespace
{

constexpr int32_t kStatusPollTimeCs = 100; // status memory is polled once a second

int16_t FamilyOfRecordValue(int16_t value)
{
    return value >= kFamilyS5 && value <= kFamilyS7Alt ? value : -1;
}

} // namespace

void CDrvSpecificIORec::WriteRecord(IORecRecordBuffer record) const
{
    std::fill(record.begin(), record.end(), uint8_t{0});
    rec::PutU16(record, layout::pollrec::kRecordTag, layout::pollrec::kRecordTagValue);
    rec::PutU8(record, layout::pollrec::kPollEnabled, GetPollTime() == kPollTimeDisabled ? 0 : 1);
    uint16_t exceptionValue = DictValueAt(KVZ_Exception_dct, GetExceptionTypeIndex());
    rec::PutU8(record, layout::pollrec::kExceptionCode, static_cast<uint8_t>(exceptionValue));

    bool statusMemory = (m_plcFamily == kFamilyS5 && addr::S5MemType(GetStartAddress()) == kMemStatus) ||
                        (IsS7Family(m_plcFamily) && addr::S7MemType(GetStartAddress()) == kMemStatus);
    rec::PutI32(record, layout::pollrec::kPollTimeCs,
                statusMemory ? kStatusPollTimeCs : model::HundredthsTruncated(GetPollTime()));
    rec::PutI32(record, layout::pollrec::kAccessTimeCs, model::HundredthsTruncated(GetAccessTime()));
    rec::PutF32(record, layout::pollrec::kDeadBand, GetDeadBand());

    uint16_t dataTypeCode = DictValueAt(GetDataTypeDictionary(), GetDataTypeIndex());
    IORecAreaSizes sizes = IORecAreaSizesOf(m_plcFamily, exceptionValue, dataTypeCode, GetLength());
    uint32_t off1 = layout::pollrec::kFirstAreaOffset;
    uint32_t off2 = off1 + sizes.area1;
    uint32_t off3 = off2 + sizes.area2;
    uint32_t off4 = off3 + sizes.area3;
    uint32_t off5 = off4 + sizes.area4;
    rec::PutU32(record, layout::pollrec::kArea4Size, sizes.area4);
    rec::PutU32(record, layout::pollrec::kArea1Off, off1);
    rec::PutU16(record, layout::pollrec::kArea1Size, sizes.area1);
    rec::PutU32(record, layout::pollrec::kArea2Off, off2);
    rec::PutU16(record, layout::pollrec::kArea2Size, sizes.area2);
    rec::PutU32(record, layout::pollrec::kArea3Off, off3);
    rec::PutU16(record, layout::pollrec::kArea3Size, sizes.area3);
    rec::PutU32(record, layout::pollrec::kArea4Off, off4);
    rec::PutU32(record, layout::pollrec::kArea5Off, off5);
    rec::PutU16(record, layout::pollrec::kArea5Size, sizes.area5);

    rec::PutU16(record, layout::pollrec::kDataTypeCode, dataTypeCode);
    rec::PutU16(record, layout::pollrec::kElementCount, GetLength());
    rec::PutU32(record, layout::pollrec::kStartAddress, GetStartAddress());
    rec::PutI16(record, layout::pollrec::kPlcFamily, m_plcFamily);
    rec::PutU16(record, layout::pollrec::kDbNumber, m_dataBlock);
}

int CDrvSpecificIORec::ReadRecord(IORecRecordView record)
{
    SetLengthValue(rec::GetU16(record, layout::pollrec::kElementCount));
    SetPollTimeValue(static_cast<float>(rec::GetI32(record, layout::pollrec::kPollTimeCs)) / 100.0f);
    SetAccessTimeValue(static_cast<float>(rec::GetI32(record, layout::pollrec::kAccessTimeCs)) / 100.0f);
    SetDeadBandValue(rec::GetF32(record, layout::pollrec::kDeadBand));

    // The loader makes the device being read the current device of the current channel.
    CChannel *channel = GetCurrentChannel();
    CDevice *device = channel ? channel->GetCurrentDevice() : nullptr;
    SetDevice(device);
    if (!device)
        m_plcFamily = FamilyOfRecordValue(rec::GetI16(record, layout::pollrec::kPlcFamily));

    SetStartAddress(rec::GetU32(record, layout::pollrec::kStartAddress));
    ComputeEndAddress(false);
    m_dataBlock = rec::GetU16(record, layout::pollrec::kDbNumber);
    SetDataTypeIndex(
        DictIndexOf(GetDataTypeDictionary(), rec::GetU16(record, layout::pollrec::kDataTypeCode)));
    SetExceptionTypeIndex(
        DictIndexOf(KVZ_Exception_dct, rec::GetU8(record, layout::pollrec::kExceptionCode)));
    return device ? 1 : 0;
}
