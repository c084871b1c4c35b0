#pragma once
// A device of the configuration tree: one controller on a channel, with its ordered list of poll
// records. The base class keeps what every driver of this family has (name, description); the
// driver-specific class adds the controller settings. Only the driver-specific class is ever created.
#include "platform/record_layout.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CChannel;
#include "model/iorec.h"

inline constexpr size_t kDeviceRecordSize = layout::device::kSize;
using DeviceRecordView = std::span<const uint8_t, kDeviceRecordSize>;
using DeviceRecordBuffer = std::span<uint8_t, kDeviceRecordSize>;

class CDevice
{
public:
    // Poll records still in the list go with the device (and leave the poll record count).
    virtual ~CDevice();

    // Virtual operations, in this order.
    // Takes a file record; `olderLayout` marks files whose description starts at offset 10.
    virtual int ReadRecord(DeviceRecordView record, bool olderLayout) = 0;
    // Clears the record and writes the name and description.
    virtual void WriteRecord(DeviceRecordBuffer record) const;
    virtual bool ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored) = 0;
    // Name, channel number and description, quoted as needed and separated.
    virtual void WriteCsv(std::string &line, std::string_view separator) const;
    // "DEVICE NAME", "CHANNEL", "DESCRIPTION", separated.
    virtual void WriteCsvHeader(std::string &line, std::string_view separator) const;

    // Poll records. The device owns them; adding one makes it current and counts it in the poll
    // record count; removing one hands it back (null when it was not in the list) and uncounts it.
    CIORec *AddIORec(std::unique_ptr<CIORec> record);
    std::unique_ptr<CIORec> RemoveIORec(CIORec *record);
    const std::vector<std::unique_ptr<CIORec>> &IORecs() const { return m_ioRecs; }
    size_t IORecCount() const { return m_ioRecs.size(); }
    CIORec *GetCurrentIORec() const { return m_currentIORec; }
    void SetCurrentIORec(CIORec *record) { m_currentIORec = record; }

    // Set operations return 0 or the number of the message they showed (the field is then unchanged).
    int SetName(std::string_view name);
    int SetDescription(std::string_view description);
    const std::string &GetName() const { return m_name; }
    const std::string &GetDescription() const { return m_description; }
    CChannel *GetChannel() const { return m_channel; }
    void SetChannel(CChannel *channel) { m_channel = channel; }
    uint16_t GetChannelNumber() const { return m_channelNumber; }
    void SetChannelNumber(uint16_t n) { m_channelNumber = n; }

protected:
    explicit CDevice(CChannel *channel) : m_channel(channel) {}
    CDevice(const CDevice &) = delete;
    CDevice &operator=(const CDevice &) = delete;

    // The base part of ReadRecord: name at 4 and description at 16 (10 in the older layout).
    void ReadNameAndDescription(DeviceRecordView record, bool olderLayout);
    // Stores texts taken from a file or a merge without validation; cut to the field sizes.
    void SetNameUnchecked(std::string_view name);
    void SetDescriptionUnchecked(std::string_view description);

private:
    std::string m_name;
    std::string m_description;
    CChannel *m_channel = nullptr;
    std::vector<std::unique_ptr<CIORec>> m_ioRecs;
    CIORec *m_currentIORec = nullptr;
    uint16_t m_channelNumber = 0; // only while a CSV line is read
};
