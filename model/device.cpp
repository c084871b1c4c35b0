#include "model/device.h"

#include "model/csv_fields.h"
#include "model/iorec.h"
#include "model/model_message.h"
#include "model/record_bytes.h"
#include "model/string_table.h"
#include "model/tree_state.h"
#include "platform/record_layout.h"

#include <algorithm>

namespace
{

constexpr size_t kNameLimit = 12;        // a name has fewer characters than this
constexpr size_t kDescriptionLimit = 36; // a description has fewer characters than this
constexpr std::string_view kNameForbidden = ":,|&";

} // namespace

CDevice::~CDevice()
{
    NoteDevicesChanged();
    AddToPollRecordCount(-static_cast<int>(m_ioRecs.size()));
}

void CDevice::WriteRecord(DeviceRecordBuffer record) const
{
    std::fill(record.begin(), record.end(), uint8_t{0});
    rec::PutText(record, layout::device::kName, layout::device::kNameChars, m_name);
    rec::PutText(record, layout::device::kDescription, layout::device::kDescriptionChars, m_description);
}

void CDevice::WriteCsv(std::string &line, std::string_view separator) const
{
    line.append(QuoteCsvField(m_name, separator));
    line.append(separator);
    line.append(QuoteCsvField(std::to_string(m_channelNumber), separator));
    line.append(separator);
    line.append(QuoteCsvField(m_description, separator));
}

void CDevice::WriteCsvHeader(std::string &line, std::string_view separator) const
{
    line.append(QuoteCsvField(LoadModelString(IDS_KEY_DEVICE_NAME), separator));
    line.append(separator);
    line.append(QuoteCsvField(LoadModelString(IDS_KEY_CHANNEL), separator));
    line.append(separator);
    line.append(QuoteCsvField(LoadModelString(IDS_KEY_DESCRIPTION), separator));
}

CIORec *CDevice::AddIORec(std::unique_ptr<CIORec> record)
{
    if (!record)
        return nullptr;
    m_ioRecs.push_back(std::move(record));
    m_currentIORec = m_ioRecs.back().get();
    AddToPollRecordCount(1);
    return m_currentIORec;
}

std::unique_ptr<CIORec> CDevice::RemoveIORec(CIORec *record)
{
    auto it = std::find_if(m_ioRecs.begin(), m_ioRecs.end(),
                           [&](const std::unique_ptr<CIORec> &r) { return r.get() == record; });
    if (it == m_ioRecs.end())
        return nullptr;
    std::unique_ptr<CIORec> out = std::move(*it);
    m_ioRecs.erase(it);
    AddToPollRecordCount(-1);
    if (m_currentIORec == record)
        m_currentIORec = nullptr;
    return out;
}

int CDevice::SetName(std::string_view name)
{
    if (name.size() >= kNameLimit)
        return ShowModelMessage(IDS_DEVICE_NAME_TOO_LONG);
    if (name.find_first_of(kNameForbidden) != std::string_view::npos)
        return ShowModelMessage(IDS_INVALID_DEVICE_NAME_CHARS);
    m_name = name;
    NoteDevicesChanged();
    return 0;
}

int CDevice::SetDescription(std::string_view description)
{
    if (description.size() >= kDescriptionLimit)
        return ShowModelMessage(IDS_DESCRIPTION_TOO_LONG);
    m_description = description;
    return 0;
}

void CDevice::ReadNameAndDescription(DeviceRecordView record, bool olderLayout)
{
    // In the older layout the description starts at 10, so the name can only use bytes 4 to 9.
    size_t descriptionAt = olderLayout ? layout::device::kDescriptionOlder : layout::device::kDescription;
    SetNameUnchecked(
        rec::GetText(record, layout::device::kName,
                     std::min(layout::device::kNameChars, descriptionAt - layout::device::kName)));
    SetDescriptionUnchecked(rec::GetText(record, descriptionAt, layout::device::kDescriptionChars));
}

void CDevice::SetNameUnchecked(std::string_view name)
{
    m_name = name.substr(0, layout::device::kNameChars);
    NoteDevicesChanged();
}

void CDevice::SetDescriptionUnchecked(std::string_view description)
{
    m_description = description.substr(0, layout::device::kDescriptionChars);
}
