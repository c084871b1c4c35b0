#include "model/iorec.h"

#include "model/csv_fields.h"
#include "model/dictionaries.h"
#include "model/live_status.h"
#include "model/model_message.h"
#include "model/number_text.h"
#include "model/string_table.h"
#include "model/user_number.h"

#include <cstdint>

using namespace model;

namespace
{

constexpr double kPollTimeMax = 86400.0;
constexpr double kAccessTimeMax = 172800.0;

bool InRange(double v, double lo, double hi)
{
    return v >= lo && v <= hi; // false for not-a-number
}

bool IsDisabledText(std::string_view text)
{
    static const std::string disabled = LoadModelString(IDS_DISABLED); // the table is constant
    return EqualsNoCase(text, disabled);
}

std::string TimeText(float seconds, float disabled)
{
    if (seconds == disabled)
        return LoadModelString(IDS_DISABLED);
    return FormatTrimmed(seconds, 8, 1);
}

} // namespace

int CIORec::SetPollTime(std::string_view text)
{
    if (IsDisabledText(text)) {
        m_pollTime = kPollTimeDisabled;
        return 0;
    }
    auto v = ParseUserNumber(text);
    if (!v || !InRange(*v, 0.0, kPollTimeMax))
        return ShowModelMessage(IDS_INVALID_POLL_TIME,
                                {FormatDecimalBound(0.0), FormatDecimalBound(kPollTimeMax)});
    m_pollTime = static_cast<float>(*v);
    return 0;
}

std::string CIORec::GetPollTimeText() const
{
    return TimeText(m_pollTime, kPollTimeDisabled);
}

int CIORec::SetAccessTime(std::string_view text)
{
    if (IsDisabledText(text)) {
        m_accessTime = kAccessTimeDisabled;
        return 0;
    }
    if (!IsDisabledText(GetExceptionTypeText(Exception_dct)))
        return ShowModelMessage(IDS_ACCESS_TIME_EXCEPTION);
    auto v = ParseUserNumber(text);
    if (!v || !InRange(*v, 0.0, kAccessTimeMax))
        return ShowModelMessage(IDS_INVALID_ACCESS_TIME,
                                {FormatDecimalBound(0.0), FormatDecimalBound(kAccessTimeMax)});
    m_accessTime = static_cast<float>(*v);
    return 0;
}

std::string CIORec::GetAccessTimeText() const
{
    return TimeText(m_accessTime, kAccessTimeDisabled);
}

int CIORec::SetDataType(std::string_view text, Dictionary dict)
{
    m_dataType = DictIndexOf(dict, DictValueOf(dict, text));
    return 0;
}

std::string CIORec::GetDataTypeText(Dictionary dict) const
{
    return DictTextAt(dict, m_dataType);
}

int CIORec::SetExceptionType(std::string_view text, Dictionary dict)
{
    m_exceptionType = DictIndexOf(dict, DictValueOf(dict, text));
    return 0;
}

std::string CIORec::GetExceptionTypeText(Dictionary dict) const
{
    return DictTextAt(dict, m_exceptionType);
}

int CIORec::SetDeadBand(std::string_view text)
{
    auto v = ParseUserNumber(text);
    if (!v || !(*v >= 0.0))
        return ShowModelMessage(IDS_INVALID_DEAD_BAND);
    m_deadBand = static_cast<float>(*v);
    return 0;
}

std::string CIORec::GetDeadBandText() const
{
    return FormatTrimmed(m_deadBand, 8, 5);
}

int CIORec::SetRecordNumber(std::string_view text)
{
    // A text that is no record number leaves the number as it was.
    auto v = ParseInteger(text);
    if (v && *v >= INT16_MIN && *v <= INT16_MAX)
        m_recordNumber = static_cast<int16_t>(*v);
    return 0;
}

std::string CIORec::GetRecordNumberText() const
{
    return std::to_string(m_recordNumber);
}

void CIORec::WriteCsvHeader(std::string &line, std::string_view separator) const
{
    const int keys[] = {IDS_KEY_IOREC,       IDS_KEY_DEVICE_NAME, IDS_KEY_DATA_TYPE, IDS_KEY_POLL_TIME,
                        IDS_KEY_ACCESS_TIME, IDS_KEY_EXCEPTION,   IDS_KEY_DEAD_BAND};
    bool first = true;
    for (int id : keys) {
        if (!first)
            line.append(separator);
        first = false;
        line.append(QuoteCsvField(LoadModelString(id), separator));
    }
}

void CIORec::CopySettingsFrom(const CIORec &other)
{
    m_startAddress = other.m_startAddress;
    m_endAddress = other.m_endAddress;
    m_length = other.m_length;
    m_dataType = other.m_dataType;
    m_pollTime = other.m_pollTime;
    m_accessTime = other.m_accessTime;
    m_exceptionType = other.m_exceptionType;
    m_deadBand = other.m_deadBand;
    m_device = other.m_device;
}

bool CIORec::CompareSettings(const CIORec &other) const
{
    return m_startAddress == other.m_startAddress && m_endAddress == other.m_endAddress &&
           m_length == other.m_length && m_dataType == other.m_dataType && m_pollTime == other.m_pollTime &&
           m_accessTime == other.m_accessTime && m_exceptionType == other.m_exceptionType &&
           m_deadBand == other.m_deadBand && m_device == other.m_device;
}

int CIORec::ReadLiveStatus(bool &changed)
{
    changed = false;
    if (m_recordNumber < 0)
        return -1;
    ILiveStatusSource *source = GetLiveStatusSource();
    long count = source ? source->ImagePollRecordCount() : 0;
    if (m_recordNumber < count) {
        uint16_t word = source->ImageStatusWord(m_recordNumber);
        changed = word != m_liveStatus;
        m_liveStatus = word;
        return word & 0x1FFF;
    }
    if (m_liveStatus == kLiveStatusLearned) {
        m_liveStatus = kLiveStatusLearnedGone;
        changed = true;
    }
    return -1;
}
