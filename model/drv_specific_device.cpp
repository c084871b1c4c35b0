#include "model/drv_specific_device.h"

#include "model/csv_fields.h"
#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/model_message.h"
#include "model/net_address.h"
#include "model/number_text.h"
#include "model/record_bytes.h"
#include "model/string_table.h"
#include "model/tree_state.h"
#include "platform/record_layout.h"

using namespace model;

namespace
{

constexpr const char *kDisabled = "DISABLED";
constexpr const char *kDefaultIsoAddress = "080006010001";
constexpr const char *kDefaultIpAddress = "192.168.0.1";
constexpr const char *kDefaultReadTsap = "READREAD";
constexpr const char *kDefaultWriteTsap = "WRITWRIT";
constexpr size_t kTsapMaxChars = 8;

// 1 when `text` is a TSAP; otherwise `field` takes its default and the user is told.
int SetTsap(std::string &field, std::string_view text, const char *fallback)
{
    if (!text.empty() && text.size() <= kTsapMaxChars) {
        field = text;
        return 1;
    }
    field = fallback;
    ShowModelMessage(IDS_INVALID_TSAP);
    return 0;
}

void WriteNetAddress(DeviceRecordBuffer r, size_t off, uint16_t protocol, std::string_view address)
{
    if (protocol == kProtocolIso) {
        auto bytes = EthernetBytesOf(address);
        for (size_t i = 0; i < bytes.size(); ++i)
            rec::PutU8(r, off + i, bytes[i]);
    } else if (protocol == kProtocolTcpIp) {
        rec::PutU32(r, off, Ipv4NumberOf(address));
    }
}

std::string_view DropLeadingE(std::string_view text)
{
    if (!text.empty() && text.front() == 'E')
        text.remove_prefix(1);
    return text;
}

void AppendField(std::string &line, std::string_view text, std::string_view separator)
{
    line.append(separator);
    line.append(QuoteCsvField(text, separator));
}

} // namespace

int16_t PlcFamilyOf(uint16_t plcTypeValue)
{
    switch (plcTypeValue) {
    case kPlcS5:
        return 0;
    case kPlcS7_300:
    case kPlcS7_200:
    case kPlcS7_400:
    case kPlcS7_1200:
    case kPlcS7_1500:
        return 1;
    case kPlcTi:
        return 2;
    default:
        return -1;
    }
}

std::pair<const char *, const char *> PlcTypeTsapDefaults(uint16_t plcTypeValue)
{
    switch (plcTypeValue) {
    case kPlcS5:
    case kPlcTi:
        return {"READREAD", "WRITWRIT"};
    case kPlcS7_200:
        return {"CP243", "Not Used"};
    case kPlcS7_400:
        return {"R=0;S=3", "Not Used"};
    case kPlcS7_1200:
    case kPlcS7_1500:
        return {"R=0;S=1", "Not Used"};
    case kPlcS7_300:
    default:
        return {"R=0;S=2", "Not Used"};
    }
}

bool PlcTypeChangeKeepsTsaps(uint16_t from, uint16_t to)
{
    auto s7_300_400 = [](uint16_t v) { return v == kPlcS7_300 || v == kPlcS7_400; };
    return s7_300_400(from) && s7_300_400(to);
}

bool PlcTypeChangeKeepsPollRecords(uint16_t from, uint16_t to)
{
    return PlcFamilyOf(from) == 1 && PlcFamilyOf(to) == 1;
}

int AddressTypingLimitOf(uint16_t protocolValue)
{
    constexpr int kEthernetDigits = 12;
    constexpr int kIpv4Characters = 15;
    return protocolValue == kProtocolIso ? kEthernetDigits : kIpv4Characters;
}

const char *DefaultAddressOf(uint16_t protocolValue)
{
    return protocolValue == kProtocolIso ? kDefaultIsoAddress : kDefaultIpAddress;
}

bool IsAddressOfProtocol(std::string_view text, uint16_t protocolValue)
{
    switch (protocolValue) {
    case kProtocolIso:
        return IsValidEthernetAddress(text);
    case kProtocolTcpIp:
        return IsValidIpAddress(text);
    default:
        return false;
    }
}

CDrvSpecificDevice::CDrvSpecificDevice(CChannel *channel) : CDevice(channel)
{
    m_address = DefaultAddressOf(ChannelProtocolValue());
}

bool CDrvSpecificDevice::AddressesFitProtocol(uint16_t protocolValue) const
{
    return IsAddressOfProtocol(m_address, protocolValue) &&
           (!m_backupConnectionEnabled || IsAddressOfProtocol(m_backupAddress, protocolValue));
}

void CDrvSpecificDevice::FitAddressesToProtocol(uint16_t protocolValue)
{
    if (!IsAddressOfProtocol(m_address, protocolValue))
        m_address = DefaultAddressOf(protocolValue);
    if (m_backupConnectionEnabled && !IsAddressOfProtocol(m_backupAddress, protocolValue))
        m_backupAddress = DefaultAddressOf(protocolValue);
}

uint16_t CDrvSpecificDevice::ChannelProtocolValue() const
{
    auto *channel = dynamic_cast<const CDrvSpecificChannel *>(GetChannel());
    return channel ? channel->GetProtocolValue() : kDictNoMatch;
}

uint16_t CDrvSpecificDevice::GetPlcTypeValue() const
{
    return DictValueAt(KVZ_hw_options_dct, m_plcType);
}

std::string CDrvSpecificDevice::GetPlcTypeText() const
{
    return DictTextAt(KVZ_hw_options_dct, m_plcType);
}

int CDrvSpecificDevice::SetPlcType(std::string_view text)
{
    uint16_t value = DictValueOf(KVZ_hw_options_dct, text);
    if (value == kDictNoMatch) {
        ShowModelMessage(IDS_INVALID_PLC_TYPE);
        return 0;
    }
    m_plcType = DictIndexOf(KVZ_hw_options_dct, value);
    return 1;
}

void CDrvSpecificDevice::DisableBackup()
{
    m_backupAddress = kDisabled;
    m_backupReadTsap = kDisabled;
    m_backupWriteTsap = kDisabled;
    m_backupConnectionEnabled = false;
}

int CDrvSpecificDevice::SetAddress(std::string_view text, int backup)
{
    if (backup == 1 && ContainsText(text, "DIS")) {
        DisableBackup();
        return 1;
    }
    switch (ChannelProtocolValue()) {
    case kProtocolIso:
        if (!IsValidEthernetAddress(text)) {
            ShowModelMessage(IDS_INVALID_ETHERNET_ADDRESS);
            return 0;
        }
        break;
    case kProtocolTcpIp:
        if (!IsValidIpAddress(text)) {
            ShowModelMessage(IDS_INVALID_IP_ADDRESS);
            return 0;
        }
        break;
    default:
        return 0;
    }
    (backup ? m_backupAddress : m_address) = text;
    return 1;
}

std::string CDrvSpecificDevice::GetAddressText(int which) const
{
    if (which == 0)
        return m_address;
    return m_backupConnectionEnabled ? m_backupAddress : kDisabled;
}

int CDrvSpecificDevice::SetReadTsap(std::string_view text)
{
    return SetTsap(m_readTsap, text, kDefaultReadTsap);
}

int CDrvSpecificDevice::SetWriteTsap(std::string_view text)
{
    return SetTsap(m_writeTsap, text, kDefaultWriteTsap);
}

int CDrvSpecificDevice::SetBackupReadTsap(std::string_view text)
{
    return SetTsap(m_backupReadTsap, text, kDefaultReadTsap);
}

int CDrvSpecificDevice::SetBackupWriteTsap(std::string_view text)
{
    return SetTsap(m_backupWriteTsap, text, kDefaultWriteTsap);
}

void CDrvSpecificDevice::WriteRecord(DeviceRecordBuffer record) const
{
    CDevice::WriteRecord(record);
    uint16_t protocol = ChannelProtocolValue();
    rec::PutU16(record, layout::device::kPlcType, GetPlcTypeValue());
    rec::PutText(record, layout::device::kAddress, layout::device::kAddressChars, m_address);
    WriteNetAddress(record, layout::device::kNetAddress, protocol, m_address);
    rec::PutText(record, layout::device::kReadTsap, layout::device::kTsapChars, m_readTsap);
    rec::PutText(record, layout::device::kWriteTsap, layout::device::kTsapChars, m_writeTsap);
    rec::PutText(record, layout::device::kBackupAddress, layout::device::kAddressChars, m_backupAddress);
    if (m_backupConnectionEnabled)
        WriteNetAddress(record, layout::device::kBackupNetAddress, protocol, m_backupAddress);
    rec::PutText(record, layout::device::kBackupReadTsap, layout::device::kTsapChars, m_backupReadTsap);
    rec::PutText(record, layout::device::kBackupWriteTsap, layout::device::kTsapChars, m_backupWriteTsap);
    rec::PutU16(record, layout::device::kBackupConnectionEnabled, m_backupConnectionEnabled ? 1 : 0);
    rec::PutU16(record, layout::device::kBackupChannelEnabled, m_backupChannelEnabled ? 1 : 0);
}

int CDrvSpecificDevice::ReadRecord(DeviceRecordView record, bool olderLayout)
{
    ReadNameAndDescription(record, olderLayout);
    bool tcp = ChannelProtocolValue() == kProtocolTcpIp;
    m_plcType = DictIndexOf(KVZ_hw_options_dct, rec::GetU16(record, layout::device::kPlcType));
    m_address = tcp ? Ipv4TextOf(rec::GetU32(record, layout::device::kNetAddress))
                    : rec::GetText(record, layout::device::kAddress, layout::device::kAddressChars);
    m_readTsap = rec::GetText(record, layout::device::kReadTsap, layout::device::kTsapChars);
    m_writeTsap = rec::GetText(record, layout::device::kWriteTsap, layout::device::kTsapChars);
    m_backupAddress = rec::GetText(record, layout::device::kBackupAddress, layout::device::kAddressChars);
    if (rec::GetU8(record, layout::device::kBackupConnectionEnabled) == 0) {
        DisableBackup();
        m_backupChannelEnabled = false;
        return 0;
    }
    if (tcp)
        m_backupAddress = Ipv4TextOf(rec::GetU32(record, layout::device::kBackupNetAddress));
    m_backupReadTsap = rec::GetText(record, layout::device::kBackupReadTsap, layout::device::kTsapChars);
    m_backupWriteTsap = rec::GetText(record, layout::device::kBackupWriteTsap, layout::device::kTsapChars);
    m_backupChannelEnabled = rec::GetU16(record, layout::device::kBackupChannelEnabled) != 0;
    m_backupConnectionEnabled = true;
    return 1;
}

void CDrvSpecificDevice::WriteCsvHeader(std::string &line, std::string_view separator) const
{
    CDevice::WriteCsvHeader(line, separator);
    for (const std::string &key :
         {LoadModelString(IDS_ETHERNET_ADDRESS), LoadModelString(IDS_READ_TSAP_ID),
          LoadModelString(IDS_WRITE_TSAP_ID), std::string("PLC_type"), std::string("Backup Ethernet addr"),
          std::string("Backup read TSAP"), std::string("Backup Write TSAP")})
        AppendField(line, key, separator);
    line.append(separator);
}

void CDrvSpecificDevice::WriteCsv(std::string &line, std::string_view separator) const
{
    CDevice::WriteCsv(line, separator);
    AppendField(line, "E" + m_address, separator);
    AppendField(line, m_readTsap, separator);
    AppendField(line, m_writeTsap, separator);
    AppendField(line, GetPlcTypeText(), separator);
    AppendField(line, "E" + GetAddressText(1), separator);
    AppendField(line, m_backupReadTsap, separator);
    AppendField(line, m_backupWriteTsap, separator);
}

bool CDrvSpecificDevice::ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored)
{
    ignored = true;
    auto name = NextCsvField(cursor, separator);
    if (!name) {
        ShowModelMessage(IDS_DEVICE_NOT_FOUND);
        return false;
    }
    SetName(*name);

    auto number = NextCsvField(cursor, separator);
    std::optional<uint16_t> channelNumber = number ? ParseUnsigned16(*number) : std::nullopt;
    if (channelNumber)
        SetChannelNumber(*channelNumber);
    CChannel *channel = channelNumber ? FindChannelByNumber(*channelNumber) : nullptr;
    if (!channel) {
        ShowModelMessage(IDS_CHANNEL_NOT_FOUND);
        return false;
    }
    SetChannel(channel);
    ignored = false;

    auto description = NextCsvField(cursor, separator);
    if (!description)
        return false;
    SetDescription(*description);
    auto address = NextCsvField(cursor, separator);
    if (!address)
        return false;
    SetAddress(DropLeadingE(*address), 0);
    auto readTsap = NextCsvField(cursor, separator);
    if (!readTsap)
        return false;
    SetReadTsap(*readTsap);
    auto writeTsap = NextCsvField(cursor, separator);
    if (!writeTsap)
        return false;
    SetWriteTsap(*writeTsap);
    auto plcType = NextCsvField(cursor, separator);
    if (!plcType)
        return false;
    SetPlcType(*plcType);

    auto backupAddress = NextCsvField(cursor, separator);
    if (!backupAddress)
        return false;
    std::string_view backup = DropLeadingE(*backupAddress);
    // Only an accepted backup address enables the backup connection.
    bool accepted = SetAddress(backup, 1) == 1;
    m_backupConnectionEnabled = accepted && !ContainsText(backup, "DIS");
    auto backupRead = NextCsvField(cursor, separator);
    if (!backupRead)
        return false;
    SetBackupReadTsap(*backupRead);
    auto backupWrite = NextCsvField(cursor, separator);
    if (!backupWrite)
        return false;
    SetBackupWriteTsap(*backupWrite);
    return true;
}
