#include "model/channel.h"

#include "model/device.h"
#include "model/dictionaries.h"
#include "model/model_message.h"
#include "model/number_text.h"
#include "model/record_bytes.h"
#include "model/string_table.h"
#include "model/tree_state.h"
#include "model/user_number.h"
#include "platform/record_layout.h"

#include <algorithm>

using namespace model;

namespace
{

constexpr double kReplyTimeoutMin = 0.1, kReplyTimeoutMax = 1800.0;
constexpr double kDelayMin = 0.0, kDelayMax = 3600.0;
constexpr long kRetriesMax = 9;

// A row index from a text: the index of the value the text names (the end row when it names none).
uint16_t IndexOfText(Dictionary dict, std::string_view text)
{
    return DictIndexOf(dict, DictValueOf(dict, text));
}

std::string PortText(uint16_t port)
{
    if (port == 0)
        return "NONE";
    return DictTextOrUndefined(port_dct, static_cast<uint16_t>(port - 1));
}

std::string SecondsText(float seconds)
{
    return FormatTrimmed(seconds, 8, 1);
}

bool InRange(double v, double lo, double hi)
{
    return v >= lo && v <= hi; // false for not-a-number
}

void WritePortSet(ChannelRecordBuffer r, size_t shift, const PortSettings &s)
{
    uint16_t port = static_cast<uint16_t>(s.port - 1); // no port gives 0xFFFF
    rec::PutU8(r, layout::channel::kPort + shift, static_cast<uint8_t>(port & 0xFF));
    rec::PutU8(r, layout::channel::kBaudRate + shift,
               static_cast<uint8_t>(DictValueAt(baud_dct, s.baudRate)));
    uint8_t dataBits = static_cast<uint8_t>(DictValueAt(data_bits_dct, s.dataBits) & 0x0F);
    rec::PutU8(r, layout::channel::kDataBits + shift,
               static_cast<uint8_t>(dataBits | (((port >> 8) & 0x0F) << 4)));
    rec::PutU8(r, layout::channel::kStopBits + shift,
               static_cast<uint8_t>(DictValueAt(stop_bits_dct, s.stopBits)));
    rec::PutU8(r, layout::channel::kParity + shift, static_cast<uint8_t>(DictValueAt(parity_dct, s.parity)));
    rec::PutU8(r, layout::channel::kFlowControl + shift,
               static_cast<uint8_t>(DictValueAt(handshake_dct, s.flowControl)));
    rec::PutU8(r, layout::channel::kRetries + shift, static_cast<uint8_t>(s.retries));
    rec::PutI32(r, layout::channel::kReplyTimeout + shift, HundredthsRounded(s.replyTimeout));
    rec::PutI32(r, layout::channel::kDelay + shift, HundredthsRounded(s.delay));
}

void ReadPortSet(ChannelRecordView r, size_t shift, PortSettings &s)
{
    uint8_t low = rec::GetU8(r, layout::channel::kPort + shift);
    uint8_t packed = rec::GetU8(r, layout::channel::kDataBits + shift);
    s.port = low == 0xFF ? 0 : static_cast<uint16_t>((((packed & 0xF0) * 16) | low) + 1);
    s.baudRate = DictIndexOf(baud_dct, rec::GetU8(r, layout::channel::kBaudRate + shift));
    s.dataBits = DictIndexOf(data_bits_dct, packed & 0x0F);
    s.stopBits = DictIndexOf(stop_bits_dct, rec::GetU8(r, layout::channel::kStopBits + shift));
    s.parity = DictIndexOf(parity_dct, rec::GetU8(r, layout::channel::kParity + shift));
    s.flowControl = DictIndexOf(handshake_dct, rec::GetU8(r, layout::channel::kFlowControl + shift));
    s.replyTimeout = static_cast<float>(rec::GetI32(r, layout::channel::kReplyTimeout + shift)) / 100.0f;
    s.delay = static_cast<float>(rec::GetI32(r, layout::channel::kDelay + shift)) / 100.0f;
    s.retries = rec::GetU8(r, layout::channel::kRetries + shift);
}

} // namespace

// Devices left in the list go with the channel.
CChannel::~CChannel() = default;

int CChannel::SetPort(std::string_view text, int backup)
{
    uint16_t value = DictValueOf(port_dct, text);
    Settings(backup).port = value == kDictNoMatch ? 0 : static_cast<uint16_t>(value + 1);
    return 0;
}

std::string CChannel::GetPortText() const
{
    return PortText(m_primary.port);
}

int CChannel::SetBaudRate(std::string_view text, int backup)
{
    Settings(backup).baudRate = IndexOfText(baud_dct, text);
    return 0;
}

std::string CChannel::GetBaudRateText() const
{
    return DictTextAt(baud_dct, m_primary.baudRate);
}

int CChannel::SetDataBits(std::string_view text, int backup)
{
    Settings(backup).dataBits = IndexOfText(data_bits_dct, text);
    return 0;
}

std::string CChannel::GetDataBitsText() const
{
    return DictTextAt(data_bits_dct, m_primary.dataBits);
}

int CChannel::SetParity(std::string_view text, int backup)
{
    Settings(backup).parity = IndexOfText(parity_dct, text);
    return 0;
}

std::string CChannel::GetParityText() const
{
    return DictTextAt(parity_dct, m_primary.parity);
}

int CChannel::SetFlowControl(std::string_view text, int backup)
{
    Settings(backup).flowControl = IndexOfText(handshake_dct, text);
    return 0;
}

std::string CChannel::GetFlowControlText() const
{
    return DictTextAt(handshake_dct, m_primary.flowControl);
}

int CChannel::SetStopBits(std::string_view text, int backup)
{
    Settings(backup).stopBits = IndexOfText(stop_bits_dct, text);
    return 0;
}

std::string CChannel::GetStopBitsText() const
{
    return DictTextAt(stop_bits_dct, m_primary.stopBits);
}

int CChannel::SetReplyTimeout(std::string_view text, int backup)
{
    auto v = ParseUserNumber(text);
    if (!v || !InRange(*v, kReplyTimeoutMin, kReplyTimeoutMax))
        return ShowModelMessage(IDS_INVALID_REPLY_TIMEOUT,
                                {FormatDecimalBound(kReplyTimeoutMin), FormatDecimalBound(kReplyTimeoutMax)});
    Settings(backup).replyTimeout = static_cast<float>(*v);
    return 0;
}

std::string CChannel::GetReplyTimeoutText() const
{
    return SecondsText(m_primary.replyTimeout);
}

int CChannel::SetRetries(std::string_view text, int backup)
{
    auto v = ParseInteger(text);
    if (!v || *v < 0 || *v > kRetriesMax)
        return ShowModelMessage(IDS_INVALID_RETRIES,
                                {FormatUnsignedBound(0), FormatUnsignedBound(kRetriesMax)});
    Settings(backup).retries = static_cast<uint16_t>(*v);
    return 0;
}

std::string CChannel::GetRetriesText() const
{
    return std::to_string(m_primary.retries);
}

int CChannel::SetDelay(std::string_view text, int backup)
{
    auto v = ParseUserNumber(text);
    if (!v || !InRange(*v, kDelayMin, kDelayMax))
        return ShowModelMessage(IDS_INVALID_DELAY,
                                {FormatDecimalBound(kDelayMin), FormatDecimalBound(kDelayMax)});
    Settings(backup).delay = static_cast<float>(*v);
    return 0;
}

std::string CChannel::GetDelayText() const
{
    return SecondsText(m_primary.delay);
}

std::string CChannel::GetBackupPortText() const
{
    return PortText(m_backup.port);
}

std::string CChannel::GetBackupBaudRateText() const
{
    return DictTextAt(baud_dct, m_backup.baudRate);
}

std::string CChannel::GetBackupDataBitsText() const
{
    return DictTextAt(data_bits_dct, m_backup.dataBits);
}

std::string CChannel::GetBackupParityText() const
{
    return DictTextAt(parity_dct, m_backup.parity);
}

std::string CChannel::GetBackupFlowControlText() const
{
    return DictTextAt(handshake_dct, m_backup.flowControl);
}

std::string CChannel::GetBackupStopBitsText() const
{
    return DictTextAt(stop_bits_dct, m_backup.stopBits);
}

std::string CChannel::GetBackupReplyTimeoutText() const
{
    return SecondsText(m_backup.replyTimeout);
}

std::string CChannel::GetBackupRetriesText() const
{
    return std::to_string(m_backup.retries);
}

std::string CChannel::GetBackupDelayText() const
{
    return SecondsText(m_backup.delay);
}

int CChannel::SetDisplayAlarms(std::string_view text)
{
    m_displayAlarms = static_cast<uint8_t>(DictValueOf(Yes_No_dct, text));
    return 0;
}

std::string CChannel::GetDisplayAlarmsText() const
{
    return DictTextOrUndefined(Yes_No_dct, m_displayAlarms);
}

int CChannel::SetCommsAlarmsDisabled(std::string_view text)
{
    m_commsAlarmsDisabled = static_cast<uint8_t>(DictValueOf(Yes_No_dct, text));
    return 0;
}

std::string CChannel::GetCommsAlarmsDisabledText() const
{
    return DictTextOrUndefined(Yes_No_dct, m_commsAlarmsDisabled);
}

int CChannel::SetChannelNumber(std::string_view text)
{
    // A text that is no channel number leaves the number as it was.
    if (auto n = ParseUnsigned16(text))
        m_channelNumber = *n;
    return 0;
}

std::string CChannel::GetChannelNumberText() const
{
    return std::to_string(m_channelNumber);
}

uint32_t CChannel::ReadRecord(ChannelRecordView record)
{
    m_displayAlarms = rec::GetU8(record, layout::channel::kDisplayAlarms);
    m_commsAlarmsDisabled = rec::GetU8(record, layout::channel::kCommsAlarmsDisabled);
    ReadPortSet(record, 0, m_primary);
    ReadPortSet(record, layout::channel::kBackupShift, m_backup);
    return (static_cast<uint32_t>(rec::GetU16(record, layout::channel::kFirstDevice)) << 16) |
           rec::GetU16(record, layout::channel::kDeviceCount);
}

void CChannel::WriteRecord(ChannelRecordBuffer record) const
{
    std::fill(record.begin(), record.end(), uint8_t{0});
    rec::PutU8(record, layout::channel::kDisplayAlarms, m_displayAlarms);
    rec::PutU8(record, layout::channel::kCommsAlarmsDisabled, m_commsAlarmsDisabled);
    WritePortSet(record, 0, m_primary);
    WritePortSet(record, layout::channel::kBackupShift, m_backup);
    rec::PutU8(record, layout::channel::kPortCopy, rec::GetU8(record, layout::channel::kPort));
    rec::PutU32(record, layout::channel::kReserved, 0);
}

CDevice *CChannel::AddDevice(std::unique_ptr<CDevice> device)
{
    if (!device)
        return nullptr;
    m_devices.push_back(std::move(device));
    NoteDevicesChanged();
    return m_devices.back().get();
}

std::unique_ptr<CDevice> CChannel::RemoveDevice(CDevice *device)
{
    auto it = std::find_if(m_devices.begin(), m_devices.end(),
                           [&](const std::unique_ptr<CDevice> &d) { return d.get() == device; });
    if (it == m_devices.end())
        return nullptr;
    std::unique_ptr<CDevice> out = std::move(*it);
    m_devices.erase(it);
    NoteDevicesChanged();
    if (m_currentDevice == device)
        m_currentDevice = nullptr;
    return out;
}

CDevice *CChannel::FindDevice(std::string_view name) const
{
    for (const auto &d : m_devices)
        if (d->GetName() == name)
            return d.get();
    return nullptr;
}

void CChannel::CopyPortSettings(const CChannel &other)
{
    m_primary = other.m_primary;
    m_backup = other.m_backup;
}

bool CChannel::ComparePortSettings(const CChannel &other) const
{
    return m_primary == other.m_primary && m_backup == other.m_backup;
}
