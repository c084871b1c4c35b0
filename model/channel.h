#pragma once
// A channel of the configuration tree: one communication path of the driver with its ordered list of
// devices. The base class keeps the serial-port settings every driver of this family carries (two
// sets: primary and backup), the alarm switches and the channel number; CDrvSpecificChannel adds the
// network settings. Only the driver-specific class is ever created.
#include "platform/record_layout.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/device.h"

inline constexpr size_t kChannelRecordSize = layout::channel::kSize;
using ChannelRecordView = std::span<const uint8_t, kChannelRecordSize>;
using ChannelRecordBuffer = std::span<uint8_t, kChannelRecordSize>;

// One set of port settings; the channel has a primary and a backup set.
struct PortSettings {
    uint16_t port = 0;        // 0 = none, n = COMn
    uint16_t baudRate = 8;    // row indexes: "9600"
    uint16_t dataBits = 1;    // "8"
    uint16_t parity = 0;      // "None"
    uint16_t flowControl = 0; // "None"
    uint16_t stopBits = 0;    // "1"
    float replyTimeout = 1.0f;
    float delay = 10.0f;
    uint16_t retries = 3;

    bool operator==(const PortSettings &) const = default; // floats compared exactly
};

class CChannel
{
public:
    virtual ~CChannel();

    // Virtual operations, in this order. Set operations return 0 or the number of the message they
    // showed (the field is then unchanged); `backup` 0 means the primary settings, 1 the backup ones.
    virtual int SetPort(std::string_view text, int backup);
    virtual std::string GetPortText() const;
    virtual int SetBaudRate(std::string_view text, int backup);
    virtual std::string GetBaudRateText() const;
    virtual int SetDataBits(std::string_view text, int backup);
    virtual std::string GetDataBitsText() const;
    virtual int SetParity(std::string_view text, int backup);
    virtual std::string GetParityText() const;
    virtual int SetFlowControl(std::string_view text, int backup);
    virtual std::string GetFlowControlText() const;
    virtual int SetStopBits(std::string_view text, int backup);
    virtual std::string GetStopBitsText() const;
    virtual int SetReplyTimeout(std::string_view text, int backup);
    virtual std::string GetReplyTimeoutText() const;
    virtual int SetRetries(std::string_view text, int backup);
    virtual std::string GetRetriesText() const;
    virtual int SetDelay(std::string_view text, int backup);
    virtual std::string GetDelayText() const;
    virtual std::string GetBackupPortText() const;
    virtual std::string GetBackupBaudRateText() const;
    virtual std::string GetBackupDataBitsText() const;
    virtual std::string GetBackupParityText() const;
    virtual std::string GetBackupFlowControlText() const;
    virtual std::string GetBackupStopBitsText() const;
    virtual std::string GetBackupReplyTimeoutText() const;
    virtual std::string GetBackupRetriesText() const;
    virtual std::string GetBackupDelayText() const;
    virtual int SetDisplayAlarms(std::string_view text);
    virtual std::string GetDisplayAlarmsText() const;
    virtual int SetCommsAlarmsDisabled(std::string_view text);
    virtual std::string GetCommsAlarmsDisabledText() const;
    virtual int SetChannelNumber(std::string_view text);
    virtual std::string GetChannelNumberText() const;
    // Takes the port settings of a file record; gives first_device << 16 | device_count.
    virtual uint32_t ReadRecord(ChannelRecordView record);
    // Clears the record and fills the port settings.
    virtual void WriteRecord(ChannelRecordBuffer record) const;
    // Sets the channel from the CSV fields at `cursor`; true (cursor past the fields read) or false.
    virtual bool ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored) = 0;
    virtual void WriteCsv(std::string &line, std::string_view separator) const = 0;
    virtual void WriteCsvHeader(std::string &line, std::string_view separator) const = 0;

    // Devices. The channel owns them; removing one hands it back to the caller.
    CDevice *AddDevice(std::unique_ptr<CDevice> device);
    std::unique_ptr<CDevice> RemoveDevice(CDevice *device);
    // This channel's device named exactly `name` (case matters), or null.
    CDevice *FindDevice(std::string_view name) const;
    const std::vector<std::unique_ptr<CDevice>> &Devices() const { return m_devices; }
    size_t DeviceCount() const { return m_devices.size(); }
    CDevice *GetCurrentDevice() const { return m_currentDevice; }
    void SetCurrentDevice(CDevice *device) { m_currentDevice = device; }

    // Both port-setting sets (display alarms not included).
    void CopyPortSettings(const CChannel &other);
    bool ComparePortSettings(const CChannel &other) const;

    const PortSettings &Primary() const { return m_primary; }
    const PortSettings &Backup() const { return m_backup; }
    PortSettings &Primary() { return m_primary; }
    PortSettings &Backup() { return m_backup; }
    uint8_t GetDisplayAlarms() const { return m_displayAlarms; }
    void SetDisplayAlarmsValue(uint8_t v) { m_displayAlarms = v; }
    uint8_t GetCommsAlarmsDisabled() const { return m_commsAlarmsDisabled; }
    void SetCommsAlarmsDisabledValue(uint8_t v) { m_commsAlarmsDisabled = v; }
    bool GetLearnAddresses() const { return m_learnAddresses; }
    void SetLearnAddresses(bool on) { m_learnAddresses = on; }
    uint16_t GetChannelNumber() const { return m_channelNumber; }
    void SetChannelNumberValue(uint16_t n) { m_channelNumber = n; }

protected:
    CChannel() = default;
    CChannel(const CChannel &) = delete;
    CChannel &operator=(const CChannel &) = delete;

    PortSettings &Settings(int backup) { return backup ? m_backup : m_primary; }

private:
    PortSettings m_primary;
    PortSettings m_backup;
    uint8_t m_displayAlarms = 1;
    uint8_t m_commsAlarmsDisabled = 0;
    bool m_learnAddresses = false;
    uint16_t m_channelNumber = 0;
    std::vector<std::unique_ptr<CDevice>> m_devices;
    CDevice *m_currentDevice = nullptr;
};
