#include "model/drv_specific_channel.h"

#include "model/csv_fields.h"
#include "model/dictionaries.h"
#include "model/model_message.h"
#include "model/record_bytes.h"
#include "model/string_table.h"
#include "platform/record_layout.h"
#include "platform/text_encoding.h"

namespace
{

// At most this many characters of the CSV field name the adapter.
constexpr size_t kCsvCardChars = 64;

// `text` cut to `units` UTF-16 units without splitting a surrogate pair.
std::u16string_view CutUtf16(std::u16string_view text, size_t units)
{
    if (text.size() <= units)
        return text;
    if (units > 0 && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF)
        --units;
    return text.substr(0, units);
}

void AppendField(std::string &line, std::string_view text, std::string_view separator)
{
    line.append(QuoteCsvField(text, separator));
    line.append(separator);
}

} // namespace

CDrvSpecificChannel::CDrvSpecificChannel()
{
    Primary().port = 1; // "COM1:"
    Primary().replyTimeout = 5.0f;
}

uint16_t CDrvSpecificChannel::GetProtocolValue() const
{
    return DictValueAt(Protocol_dct, m_protocol);
}

std::string CDrvSpecificChannel::GetProtocolText() const
{
    return DictTextAt(Protocol_dct, m_protocol);
}

void CDrvSpecificChannel::SetEthernetCard(std::u16string_view card)
{
    m_ethernetCard = CutUtf16(card, layout::channel::kEthernetCardUnits);
}

std::string CDrvSpecificChannel::GetEthernetCardText() const
{
    return kvz::Utf16ToUtf8(m_ethernetCard);
}

void CDrvSpecificChannel::SetEthernetCardText(std::string_view card)
{
    SetEthernetCard(kvz::Utf8ToUtf16(card));
}

uint32_t CDrvSpecificChannel::ReadRecord(ChannelRecordView record)
{
    m_protocol = DictIndexOf(Protocol_dct, rec::GetU8(record, layout::channel::kProtocol));
    if (m_protocol > 1)
        m_protocol = 0;
    m_ethernetCard =
        rec::GetText16(record, layout::channel::kEthernetCard, layout::channel::kEthernetCardUnits);
    return CChannel::ReadRecord(record);
}

void CDrvSpecificChannel::WriteRecord(ChannelRecordBuffer record) const
{
    CChannel::WriteRecord(record);
    rec::PutU8(record, layout::channel::kProtocol, static_cast<uint8_t>(GetProtocolValue() & 0xFF));
    rec::PutText16(record, layout::channel::kEthernetCard, layout::channel::kEthernetCardUnits,
                   m_ethernetCard);
}

bool CDrvSpecificChannel::ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored)
{
    ignored = true;
    auto number = NextCsvField(cursor, separator);
    if (!number) {
        ShowModelMessage(IDS_CHANNEL_NOT_FOUND);
        return false;
    }
    ignored = false;
    SetChannelNumber(*number);

    auto alarms = NextCsvField(cursor, separator);
    if (!alarms)
        return false;
    SetDisplayAlarms(*alarms);
    auto timeout = NextCsvField(cursor, separator);
    if (!timeout)
        return false;
    SetReplyTimeout(*timeout, 0);
    auto delay = NextCsvField(cursor, separator);
    if (!delay)
        return false;
    SetDelay(*delay, 0);
    auto retries = NextCsvField(cursor, separator);
    if (!retries)
        return false;
    SetRetries(*retries, 0);

    auto protocol = NextCsvField(cursor, separator);
    if (!protocol)
        return false;
    m_protocol = DictIndexOf(Protocol_dct, DictValueOf(Protocol_dct, *protocol));

    auto card = NextCsvField(cursor, separator);
    if (!card)
        return false;
    SetEthernetCard(CutUtf16(kvz::Utf8ToUtf16(*card), kCsvCardChars));
    return true;
}

void CDrvSpecificChannel::WriteCsv(std::string &line, std::string_view separator) const
{
    AppendField(line, GetChannelNumberText(), separator);
    AppendField(line, GetDisplayAlarmsText(), separator);
    AppendField(line, GetReplyTimeoutText(), separator);
    AppendField(line, GetDelayText(), separator);
    AppendField(line, GetRetriesText(), separator);
    AppendField(line, GetProtocolText(), separator);
    // Quoted like every other field, so that a name holding the separator or a quote reads back whole.
    line.append(QuoteCsvField(GetEthernetCardText(), separator));
}

void CDrvSpecificChannel::WriteCsvHeader(std::string &line, std::string_view separator) const
{
    AppendField(line, LoadModelString(IDS_KEY_CHANNEL), separator);
    AppendField(line, LoadModelString(IDS_KEY_DISPLAY_ALARMS), separator);
    AppendField(line, LoadModelString(IDS_KEY_REPLY_TIMEOUT), separator);
    AppendField(line, LoadModelString(IDS_KEY_DELAY), separator);
    AppendField(line, LoadModelString(IDS_KEY_RETRIES), separator);
    AppendField(line, "Protocol", separator);
    line.append(QuoteCsvField("Ethernet card", separator));
}

void CDrvSpecificChannel::CopySettingsFrom(const CDrvSpecificChannel &other)
{
    CopyPortSettings(other);
    m_protocol = other.m_protocol;
    m_ethernetCard = other.m_ethernetCard;
}

bool CDrvSpecificChannel::CompareSettings(const CDrvSpecificChannel &other) const
{
    return m_protocol == other.m_protocol && m_ethernetCard == other.m_ethernetCard &&
           ComparePortSettings(other);
}
