#pragma once
// A poll record of the configuration tree ("I/O Block"): one block of controller memory that the
// driver polls. The base class keeps addresses, length, data type, timing, exception type and dead
// band; the driver-specific class adds what depends on the controller family. Only the
// driver-specific class is ever created.
#include "platform/record_layout.h"

#include "model/dictionary.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class CDevice;
class IListControl;

inline constexpr size_t kIORecRecordSize = layout::pollrec::kSize;
using IORecRecordView = std::span<const uint8_t, kIORecRecordSize>;
using IORecRecordBuffer = std::span<uint8_t, kIORecRecordSize>;

// The times that stand for "Disabled".
inline constexpr float kPollTimeDisabled = -1.0f;
inline constexpr float kAccessTimeDisabled = 172801.0f;

// Live status values the model itself assigns.
inline constexpr uint16_t kLiveStatusInitial = 97;
inline constexpr uint16_t kLiveStatusLearned = 99;
inline constexpr uint16_t kLiveStatusLearnedGone = 98;

class CIORec
{
public:
    virtual ~CIORec() = default;

    // Virtual operations, in this order. Set operations return 0 or the number of the message they
    // showed (the field is then unchanged).
    virtual int SetPollTime(std::string_view text);
    virtual std::string GetPollTimeText() const;
    virtual int SetAccessTime(std::string_view text);
    virtual std::string GetAccessTimeText() const;
    virtual int SetDataType(std::string_view text, Dictionary dict);
    virtual std::string GetDataTypeText(Dictionary dict) const;
    virtual int SetExceptionType(std::string_view text, Dictionary dict);
    virtual std::string GetExceptionTypeText(Dictionary dict) const;
    virtual int SetDeadBand(std::string_view text);
    virtual std::string GetDeadBandText() const;
    virtual int SetRecordNumber(std::string_view text);
    virtual std::string GetRecordNumberText() const;
    virtual int ReadRecord(IORecRecordView record) = 0;
    virtual void WriteRecord(IORecRecordBuffer record) const = 0;
    virtual void ShowInList(int row, IListControl &list) = 0;
    virtual bool ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored) = 0;
    virtual void WriteCsv(std::string &line, std::string_view separator) const = 0;
    // "IOREC", "DEVICE NAME", "DATA TYPE", "POLL TIME", "ACCESS TIME", "EXCEPTION", "DEAD BAND", separated.
    virtual void WriteCsvHeader(std::string &line, std::string_view separator) const;
    // Records the owning device (null: none). Virtual so that a family-aware record can derive what
    // depends on the device whichever way it is reached.
    virtual void SetDevice(CDevice *device) { m_device = device; }

    // Start, end, length, data type, poll time, access time, exception type, dead band and device.
    void CopySettingsFrom(const CIORec &other);
    bool CompareSettings(const CIORec &other) const; // floats compared exactly

    // Live status from the running driver's image: the status word with its top three bits cleared,
    // or -1. `changed` tells whether the live status field changed.
    int ReadLiveStatus(bool &changed);

    CDevice *GetDevice() const { return m_device; }
    int16_t GetRecordNumber() const { return m_recordNumber; }
    void SetRecordNumberValue(int16_t n) { m_recordNumber = n; }
    uint32_t GetStartAddress() const { return m_startAddress; }
    void SetStartAddress(uint32_t a) { m_startAddress = a; }
    uint32_t GetEndAddress() const { return m_endAddress; }
    void SetEndAddress(uint32_t a) { m_endAddress = a; }
    uint16_t GetLength() const { return m_length; }
    void SetLengthValue(uint16_t n) { m_length = n; }
    uint16_t GetDataTypeIndex() const { return m_dataType; }
    void SetDataTypeIndex(uint16_t i) { m_dataType = i; }
    float GetPollTime() const { return m_pollTime; }
    void SetPollTimeValue(float t) { m_pollTime = t; }
    float GetAccessTime() const { return m_accessTime; }
    void SetAccessTimeValue(float t) { m_accessTime = t; }
    uint16_t GetExceptionTypeIndex() const { return m_exceptionType; }
    void SetExceptionTypeIndex(uint16_t i) { m_exceptionType = i; }
    float GetDeadBand() const { return m_deadBand; }
    void SetDeadBandValue(float v) { m_deadBand = v; }
    uint16_t GetLiveStatus() const { return m_liveStatus; }
    void SetLiveStatus(uint16_t s) { m_liveStatus = s; }

protected:
    CIORec() = default;
    CIORec(const CIORec &) = delete;
    CIORec &operator=(const CIORec &) = delete;

private:
    uint32_t m_startAddress = 0;
    uint32_t m_endAddress = 0;
    uint16_t m_length = 0;
    uint16_t m_dataType = 0;
    float m_pollTime = 1.0f;
    float m_accessTime = 300.0f;
    uint16_t m_exceptionType = 0;
    float m_deadBand = 0.0f;
    CDevice *m_device = nullptr;
    int16_t m_recordNumber = -1;
    uint16_t m_liveStatus = kLiveStatusInitial;
};
