#include "model/drv_specific_iorec.h"

#include "model/channel.h"
#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "model/model_message.h"
#include "model/number_text.h"
#include "model/siemens_address.h"
#include "model/string_table.h"
#include "model/tree_state.h"

#include <algorithm>
#include <cctype>
#include <typeinfo>

namespace
{

constexpr uint16_t kS5MaxWord = 4096;
constexpr long kTiMinAddress = 1;
constexpr long kTiShortMaxAddress = 0xFFFF;
// The limit of the other TI memory types is what their 20 address bits hold.
constexpr long kTiLongMaxAddress = 0xFFFFF;
constexpr long kS5MaxDataBlock = 0xFF;
constexpr long kS7MaxDataBlock = 0xFFFF;

int ShowAddressRange(unsigned long low, unsigned long high)
{
    return ShowModelMessage(IDS_INVALID_START_ADDRESS, {FormatUnsignedBound(low), FormatUnsignedBound(high)});
}

int ShowS5AddressRange()
{
    return ShowAddressRange(0, kS5MaxWord);
}

// The TI message names the range the memory type really takes: 16 or 20 address bits.
int ShowTiAddressRange(uint32_t addressMask)
{
    return ShowAddressRange(kTiMinAddress, addressMask);
}

int ShowS7AddressRange()
{
    return ShowAddressRange(0, addr::kS7ByteMask);
}

int ShowDataBlockRange(long high)
{
    return ShowModelMessage(IDS_INVALID_DATA_BLOCK,
                            {FormatUnsignedBound(0), FormatUnsignedBound(static_cast<unsigned long>(high))});
}

// An address text that could not be read at all, named as the user typed it.
int ShowAddressFault(AddressFault fault, std::string_view text)
{
    switch (fault) {
    case AddressFault::UnknownMemoryType:
        return ShowModelMessage(IDS_UNKNOWN_MEMORY_TYPE, {text});
    case AddressFault::SeparatorMissing:
        return ShowModelMessage(IDS_ADDRESS_SEPARATOR_MISSING, {text});
    case AddressFault::NumberMissing:
        return ShowModelMessage(IDS_ADDRESS_NUMBER_MISSING, {text});
    case AddressFault::None:
        break;
    }
    return 0;
}

// Keys under which two packed addresses of one family are compared for overlap.
uint32_t OverlapKey(int16_t family, uint32_t a)
{
    if (family == kFamilyS5)
        return ((a >> 4) & 0x0FFF0000u) | (a & 0xFFFFu); // memory type and data block take part
    if (family == kFamilyTi)
        return a & 0x0FFFFFFFu;
    return a & 0x00FFFFFFu;
}

bool Within(uint32_t v, uint32_t low, uint32_t high)
{
    return v >= low && v <= high;
}

// Whether either range holds an end of the other.
bool RangesOverlap(uint32_t start, uint32_t end, uint32_t otherStart, uint32_t otherEnd)
{
    if (start <= end && otherStart <= otherEnd) // both in order (the usual case): one comparison each way
        return start <= otherEnd && otherStart <= end;
    return Within(start, otherStart, otherEnd) || Within(end, otherStart, otherEnd) ||
           Within(otherStart, start, end) || Within(otherEnd, start, end);
}

// Shows why `syntax` cannot be packed, when it cannot: a text that is no address, or a data block
// beyond `maxDataBlock` (0 for families without one).
bool SyntaxRefused(const AddressSyntax &syntax, std::string_view typed, long maxDataBlock)
{
    if (!syntax.Readable()) {
        ShowAddressFault(syntax.fault, typed);
        return true;
    }
    if (syntax.dataBlock < 0 || syntax.dataBlock > maxDataBlock) {
        ShowDataBlockRange(maxDataBlock);
        return true;
    }
    return false;
}

} // namespace

std::optional<PlcRecordLimits> PlcRecordLimitsOf(uint16_t plcTypeValue)
{
    switch (plcTypeValue) {
    case kPlcS5:
        return PlcRecordLimits{1024, 239};
    case kPlcS7_300:
    case kPlcS7_200:
    case kPlcS7_1200:
    case kPlcS7_1500:
        return PlcRecordLimits{220, 220};
    case kPlcS7_400:
        return PlcRecordLimits{440, 440};
    case kPlcTi:
        return PlcRecordLimits{256, 0};
    default:
        return std::nullopt;
    }
}

void CDrvSpecificIORec::SetDevice(CDevice *device)
{
    CIORec::SetDevice(device);
    if (device)
        DerivePlcFamily();
}

uint16_t CDrvSpecificIORec::GetPlcTypeValue() const
{
    const CDevice *device = GetDevice();
    if (!device)
        return kDictNoMatch;
    // Nearly always the exact class; the exact-type test costs far less than a cast that searches.
    if (typeid(*device) == typeid(CDrvSpecificDevice))
        return static_cast<const CDrvSpecificDevice *>(device)->GetPlcTypeValue();
    auto *siemens = dynamic_cast<const CDrvSpecificDevice *>(device);
    return siemens ? siemens->GetPlcTypeValue() : kDictNoMatch;
}

void CDrvSpecificIORec::DerivePlcFamily()
{
    if (GetDevice())
        m_plcFamily = PlcFamilyOf(GetPlcTypeValue());
}

int CDrvSpecificIORec::ParseAddress(std::string_view text, int which)
{
    return ParseAddressText(text, which, true);
}

int CDrvSpecificIORec::ParseAddressKeepingLength(std::string_view text, int which)
{
    return ParseAddressText(text, which, false);
}

int CDrvSpecificIORec::ParseAddressText(std::string_view text, int which, bool lengthFromText)
{
    // Every refusal below shows why: a text the user typed or a CSV line brought never vanishes
    // without a word.
    if (text.empty()) {
        ShowModelMessage(IDS_ADDRESS_MISSING);
        return 0;
    }
    std::string upper = model::UpperCasedAscii(text);
    DerivePlcFamily();
    bool ok = true;
    if (m_plcFamily == kFamilyS5)
        ok = ParseS5(text, upper, which);
    else if (IsS7Family(m_plcFamily))
        ok = ParseS7(text, upper, which, lengthFromText);
    else if (m_plcFamily == kFamilyTi)
        ok = ParseTi(text, upper, which);
    return ok ? 1 : 0;
}

bool CDrvSpecificIORec::InStartArea(uint32_t a, uint16_t dataBlock) const
{
    uint32_t start = GetStartAddress();
    if (m_plcFamily == kFamilyS5)
        return addr::S5MemType(a) == addr::S5MemType(start) &&
               addr::S5DataBlock(a) == addr::S5DataBlock(start);
    if (IsS7Family(m_plcFamily))
        return addr::S7MemType(a) == addr::S7MemType(start) && dataBlock == m_dataBlock;
    if (m_plcFamily == kFamilyTi)
        return addr::TiMemType(a) == addr::TiMemType(start);
    return true;
}

bool CDrvSpecificIORec::TakeStart(uint32_t a, uint16_t dataBlock, std::optional<uint16_t> impliedLength)
{
    const uint32_t oldStart = GetStartAddress(), oldEnd = GetEndAddress();
    const uint16_t oldLength = GetLength(), oldDataBlock = m_dataBlock;
    // A start in another area leaves the end behind in the old one: the end moves with it, so the
    // record keeps its length and stays one block of one area.
    const bool moved = oldLength != 0 && !InStartArea(a, dataBlock);
    SetStartAddress(a);
    m_dataBlock = dataBlock;
    if (oldLength == 0) {
        if (!impliedLength)
            return true;
        SetEndAddress(a);
        SetLengthValue(*impliedLength);
    } else if (!moved) {
        return true;
    }
    if (ComputeEnd())
        return true;
    SetStartAddress(oldStart);
    SetEndAddress(oldEnd);
    SetLengthValue(oldLength);
    m_dataBlock = oldDataBlock;
    return false;
}

bool CDrvSpecificIORec::TakeEnd(uint32_t a, uint16_t dataBlock, std::string_view typed)
{
    // Only a record with a start has an area (a CSV line sets its end from the start's own text).
    if (GetLength() != 0 && !InStartArea(a, dataBlock)) {
        ShowModelMessage(IDS_END_ADDRESS_OUTSIDE_AREA, {typed, GetAddressText(1)});
        return false;
    }
    m_dataBlock = dataBlock;
    SetEndAddress(a);
    return true;
}

bool CDrvSpecificIORec::ParseS5(std::string_view typed, std::string_view text, int which)
{
    AddressSyntax syntax = ReadS5AddressSyntax(text);
    if (SyntaxRefused(syntax, typed, kS5MaxDataBlock))
        return false;
    if (syntax.address < 0 || syntax.address > kS5MaxWord) {
        ShowS5AddressRange();
        return false;
    }
    uint32_t a = addr::PackS5(syntax.memType, static_cast<uint8_t>(syntax.dataBlock),
                              static_cast<uint16_t>(syntax.address));
    if (which == 1)
        return TakeStart(a, m_dataBlock, std::nullopt);
    return TakeEnd(a, m_dataBlock, typed);
}

bool CDrvSpecificIORec::ParseS7(std::string_view typed, std::string_view text, int which, bool lengthFromText)
{
    AddressSyntax syntax = ReadS7AddressSyntax(text);
    if (SyntaxRefused(syntax, typed, kS7MaxDataBlock))
        return false;
    // A byte address beyond its 20 bits would wrap into another address.
    if (syntax.address > static_cast<long>(addr::kS7ByteMask)) {
        ShowS7AddressRange();
        return false;
    }
    const auto dataBlock = static_cast<uint16_t>(syntax.dataBlock);
    uint32_t a = addr::PackS7(syntax.memType, static_cast<uint32_t>(syntax.address));
    if (which != 1)
        return TakeEnd(a, dataBlock, typed);
    // A new record takes its length from the element the text names (MB, MW, MD ...).
    std::optional<uint16_t> implied;
    if (lengthFromText)
        implied = S7LengthOfLetter(syntax.letterBeforeDigits);
    return TakeStart(a, dataBlock, implied);
}

bool CDrvSpecificIORec::ParseTi(std::string_view typed, std::string_view text, int which)
{
    AddressSyntax syntax = ReadTiAddressSyntax(text);
    if (SyntaxRefused(syntax, typed, 0))
        return false;
    long high = addr::TiIsShortType(syntax.memType) ? kTiShortMaxAddress : kTiLongMaxAddress;
    if (syntax.address < kTiMinAddress || syntax.address > high) {
        ShowTiAddressRange(static_cast<uint32_t>(high));
        return false;
    }
    uint32_t a = addr::PackTi(syntax.memType, static_cast<uint32_t>(syntax.address));
    if (which == 1)
        return TakeStart(a, m_dataBlock, std::nullopt);
    return TakeEnd(a, m_dataBlock, typed);
}

std::string CDrvSpecificIORec::GetAddressText(int which) const
{
    if (GetLength() == 0)
        return LoadModelString(IDS_ADDRESS_UNDEFINED);
    uint32_t a = which == 1 ? GetStartAddress() : GetEndAddress();
    if (m_plcFamily == kFamilyS5)
        return S5AddressText(a);
    if (IsS7Family(m_plcFamily))
        return S7AddressText(a, m_dataBlock);
    if (m_plcFamily == kFamilyTi)
        return TiAddressText(a);
    return {};
}

int CDrvSpecificIORec::ComputeEnd()
{
    return ComputeEndAddress(true);
}

int CDrvSpecificIORec::ComputeEndAddress(bool checkLimit)
{
    uint16_t length = GetLength();
    if (length == 0)
        return 1;
    uint32_t start = GetStartAddress();
    // The last element's address is judged before it is cut to its field, so it cannot wrap round.
    if (m_plcFamily == kFamilyS5) {
        uint32_t last = addr::S5Word(start) + length - 1u;
        if (checkLimit && last > kS5MaxWord) {
            SetEndAddress(start);
            ShowS5AddressRange();
            return 0;
        }
        SetEndAddress((start & ~addr::kS5WordMask) | (last & addr::kS5WordMask));
    } else if (IsS7Family(m_plcFamily)) {
        uint32_t last = addr::S7Byte(start) + length - 1u;
        if (checkLimit && last > addr::kS7ByteMask) {
            SetEndAddress(start);
            ShowS7AddressRange();
            return 0;
        }
        SetEndAddress((start & ~addr::kS7ByteMask) | (last & addr::kS7ByteMask));
    } else if (m_plcFamily == kFamilyTi) {
        uint32_t mask = addr::TiAddressMask(start);
        uint32_t last = (start & mask) + length - 1u;
        if (checkLimit && (last == 0 || last > mask)) {
            SetEndAddress(start);
            ShowTiAddressRange(mask);
            return 0;
        }
        SetEndAddress((start & ~mask) | (last & mask));
    }
    return 1;
}

void CDrvSpecificIORec::ComputeLength()
{
    if (GetLength() == 0) {
        SetLengthValue(1);
        SetEndAddress(GetStartAddress());
        return;
    }
    // An end before the start gives a difference beyond 65534, so the length shows as 0xFFFF. S7
    // and TI count with all their address bits: M65535 to M65536 is two bytes, not a wrap.
    uint32_t mask = 0xFFFFu;
    if (IsS7Family(m_plcFamily))
        mask = addr::kS7ByteMask;
    else if (m_plcFamily == kFamilyTi)
        mask = addr::TiAddressMask(GetStartAddress());
    uint32_t difference = (GetEndAddress() & mask) - (GetStartAddress() & mask);
    SetLengthValue(difference > 65534 ? 0xFFFF : static_cast<uint16_t>(difference + 1));
    if (m_plcFamily == kFamilyTi)
        if (auto def = TiDefaultTypeOf(addr::TiMemType(GetStartAddress())))
            SetDataTypeIndex(DictIndexOf(TI_Data_Type_dct, def->dataType));
}

int CDrvSpecificIORec::SetLength(std::string_view text)
{
    if (text.empty()) {
        SetLengthValue(0);
        return 1;
    }
    auto value = model::ParseUnsigned16(text);
    if (!value) {
        auto limits = PlcRecordLimitsOf(GetPlcTypeValue());
        ShowModelMessage(IDS_INVALID_LENGTH,
                         {FormatUnsignedBound(1), FormatUnsignedBound(limits ? limits->maxLength : 0xFFFF)});
        return 0;
    }
    uint16_t previous = GetLength();
    SetLengthValue(*value);
    if (!CheckLimits()) {
        SetLengthValue(previous);
        return 0;
    }
    return 1;
}

std::string CDrvSpecificIORec::GetLengthText() const
{
    return std::to_string(GetLength());
}

int CDrvSpecificIORec::CheckLimits()
{
    auto limits = PlcRecordLimitsOf(GetPlcTypeValue());
    if (limits) {
        uint32_t start = GetStartAddress(), end = GetEndAddress();
        bool startAfterEnd = false;
        if (m_plcFamily == kFamilyS5)
            startAfterEnd =
                static_cast<int16_t>(addr::S5Word(start)) > static_cast<int16_t>(addr::S5Word(end));
        else if (IsS7Family(m_plcFamily))
            startAfterEnd = addr::S7Byte(start) > addr::S7Byte(end);
        else if (m_plcFamily == kFamilyTi)
            startAfterEnd = addr::TiAddress(start) > addr::TiAddress(end);
        if (startAfterEnd) {
            ShowModelMessage(IDS_START_BEFORE_END);
            return 0;
        }
        if (GetLength() > limits->maxLength) {
            ShowModelMessage(IDS_INVALID_LENGTH,
                             {FormatUnsignedBound(1), FormatUnsignedBound(limits->maxLength)});
            return 0;
        }
    }
    AdjustDataType(GetDataTypeIndex());
    return 1;
}

void CDrvSpecificIORec::AdjustDataType(uint16_t index)
{
    if (GetLength() == 0)
        return;
    if (m_plcFamily == kFamilyS5) {
        // Two-word types need an even length.
        uint16_t value = DictValueAt(KVZ_Data_Type_dct, index);
        if (value == 3 || value == 6 || value == 7) {
            SetLengthValue(std::max<uint16_t>(2, GetLength() & ~1u));
            ComputeEnd();
        }
        SetDataTypeIndex(index);
    } else if (IsS7Family(m_plcFamily)) {
        SetDataTypeIndex(index);
    } else if (m_plcFamily == kFamilyTi) {
        if (auto def = TiDefaultTypeOf(addr::TiMemType(GetStartAddress())))
            SetDataTypeIndex(DictIndexOf(TI_Data_Type_dct, def->dataType));
    }
}

Dictionary CDrvSpecificIORec::GetDataTypeDictionary() const
{
    if (m_plcFamily == kFamilyS5)
        return KVZ_Data_Type_dct;
    if (IsS7Family(m_plcFamily))
        return S7_Data_Type_dct;
    if (m_plcFamily == kFamilyTi)
        return TI_Data_Type_dct;
    return {};
}

int CDrvSpecificIORec::SetDataType(std::string_view text)
{
    Dictionary dict = GetDataTypeDictionary();
    if (dict.empty())
        return 0;
    uint16_t previous = GetDataTypeIndex();
    CIORec::SetDataType(text, dict);
    uint16_t chosen = GetDataTypeIndex();
    SetDataTypeIndex(previous);
    AdjustDataType(chosen);
    return 0;
}

std::string CDrvSpecificIORec::GetDataTypeText() const
{
    return CIORec::GetDataTypeText(GetDataTypeDictionary());
}

int CDrvSpecificIORec::FindOverlap(const CDevice &device, const CIORec *skip) const
{
    int16_t family = m_plcFamily;
    if (family != kFamilyS5 && family != kFamilyTi && !IsS7Family(family))
        return 0;
    uint32_t start = OverlapKey(family, GetStartAddress());
    uint32_t end = OverlapKey(family, GetEndAddress());
    int position = 0;
    for (const auto &other : device.IORecs()) {
        ++position;
        if (other.get() == skip || other.get() == this || other->GetLength() == 0)
            continue;
        if (!RangesOverlap(start, end, OverlapKey(family, other->GetStartAddress()),
                           OverlapKey(family, other->GetEndAddress())))
            continue;
        // S7 addresses overlap only within one data block; the (costlier) class test comes last.
        if (IsS7Family(family)) {
            const CIORec &record = *other;
            auto *s7 = typeid(record) == typeid(CDrvSpecificIORec)
                           ? static_cast<const CDrvSpecificIORec *>(&record)
                           : dynamic_cast<const CDrvSpecificIORec *>(&record);
            if (!s7 || s7->GetDataBlock() != m_dataBlock)
                continue;
        }
        return position;
    }
    return 0;
}

int CDrvSpecificIORec::OverlapTest() const
{
    CChannel *channel = GetCurrentChannel();
    CDevice *device = channel ? channel->GetCurrentDevice() : nullptr;
    if (!device)
        return 0;
    int position = FindOverlap(*device, device->GetCurrentIORec());
    if (position == 0)
        return 0;
    ShowModelMessage(IDS_ADDRESS_ALREADY_DEFINED, {std::to_string(position)});
    return 1;
}

void CDrvSpecificIORec::CopySettingsFrom(const CDrvSpecificIORec &other)
{
    CIORec::CopySettingsFrom(other);
    m_plcFamily = other.m_plcFamily;
    m_dataBlock = other.m_dataBlock;
}

bool CDrvSpecificIORec::CompareSettings(const CDrvSpecificIORec &other) const
{
    return CIORec::CompareSettings(other) && m_dataBlock == other.m_dataBlock;
}
