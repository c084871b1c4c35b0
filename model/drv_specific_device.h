#pragma once
// The device of this driver: one Siemens controller, reached by the ISO transport on Ethernet
// (a 12-digit hexadecimal Ethernet address) or by TCP/IP (an IPv4 address) as its channel's protocol
// says, with its PLC type, its primary connection (address, read TSAP, write TSAP) and an optional
// backup connection.
#include "model/device.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// PLC family of a PLC type value: 0 S5, 1 S7, 2 TI, -1 unknown.
int16_t PlcFamilyOf(uint16_t plcTypeValue);

// Read and write TSAP that a device of this PLC type starts with when the user picks the type.
std::pair<const char *, const char *> PlcTypeTsapDefaults(uint16_t plcTypeValue);
// Whether a change of PLC type keeps the TSAPs (between S7 300 and S7 400) and the poll records
// (among the S7 types); any other change of a device with poll records asks first and removes them.
bool PlcTypeChangeKeepsTsaps(uint16_t from, uint16_t to);
bool PlcTypeChangeKeepsPollRecords(uint16_t from, uint16_t to);

// The most characters an address field takes on a channel of this protocol value: 12 hexadecimal
// digits for the ISO transport, 15 for an IPv4 address ("192.168.100.100").
int AddressTypingLimitOf(uint16_t protocolValue);
// The address a new device starts with on a channel of this protocol value: "080006010001" for the
// ISO transport, "192.168.0.1" otherwise.
const char *DefaultAddressOf(uint16_t protocolValue);
// Whether `text` is an address of that protocol (the rules of set address, without a message).
bool IsAddressOfProtocol(std::string_view text, uint16_t protocolValue);

class CDrvSpecificDevice : public CDevice
{
public:
    // A device on `channel`; its address default follows the channel's protocol.
    explicit CDrvSpecificDevice(CChannel *channel);

    // 1 when the record holds a backup connection, else 0.
    int ReadRecord(DeviceRecordView record, bool olderLayout) override;
    void WriteRecord(DeviceRecordBuffer record) const override;
    bool ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored) override;
    void WriteCsv(std::string &line, std::string_view separator) const override;
    // Every keyword followed by the separator, the last one too.
    void WriteCsvHeader(std::string &line, std::string_view separator) const override;

    // PLC type: a row index into KVZ_hw_options_dct.
    uint16_t GetPlcTypeIndex() const { return m_plcType; }
    void SetPlcTypeIndex(uint16_t index) { m_plcType = index; }
    uint16_t GetPlcTypeValue() const;
    std::string GetPlcTypeText() const;
    int16_t GetPlcFamily() const { return PlcFamilyOf(GetPlcTypeValue()); }
    // 1 on success; 0 with message 4054 when no PLC type matches.
    int SetPlcType(std::string_view text);

    // 1 on success, 0 on failure (message 4045 or 4052, or none for an unknown protocol).
    // backup = 1 with a text holding "DIS" disables the backup connection.
    int SetAddress(std::string_view text, int backup);
    // which = 0: the address; otherwise "DISABLED" while the backup connection is disabled, else the
    // backup address.
    std::string GetAddressText(int which) const;
    const std::string &GetBackupAddress() const { return m_backupAddress; }

    // 1 for a non-empty text of at most 8 characters; otherwise the TSAP becomes its default
    // ("READREAD" / "WRITWRIT"), message 4044 is shown and the result is 0.
    int SetReadTsap(std::string_view text);
    int SetWriteTsap(std::string_view text);
    int SetBackupReadTsap(std::string_view text);
    int SetBackupWriteTsap(std::string_view text);
    const std::string &GetReadTsap() const { return m_readTsap; }
    const std::string &GetWriteTsap() const { return m_writeTsap; }
    const std::string &GetBackupReadTsap() const { return m_backupReadTsap; }
    const std::string &GetBackupWriteTsap() const { return m_backupWriteTsap; }

    bool GetBackupChannelEnabled() const { return m_backupChannelEnabled; }
    bool GetBackupConnectionEnabled() const { return m_backupConnectionEnabled; }
    void FlipBackupChannelEnabled() { m_backupChannelEnabled = !m_backupChannelEnabled; }
    void FlipBackupConnectionEnabled() { m_backupConnectionEnabled = !m_backupConnectionEnabled; }

    // The protocol value of the device's channel (2, 6, or 0xFFFE when there is none).
    uint16_t ChannelProtocolValue() const;
    // The typing limit of the address fields on the device's channel.
    int AddressTypingLimit() const { return AddressTypingLimitOf(ChannelProtocolValue()); }
    // Whether a channel of `protocolValue` holds the address, and the backup address while the backup
    // connection is enabled, as they are.
    bool AddressesFitProtocol(uint16_t protocolValue) const;
    // Each of those addresses that `protocolValue` cannot hold becomes that protocol's default address.
    void FitAddressesToProtocol(uint16_t protocolValue);

private:
    void DisableBackup();

    uint16_t m_plcType = 3; // "S7 300"
    std::string m_address;
    std::string m_readTsap = "R=0;S=2";
    std::string m_writeTsap = "Not used";
    bool m_backupChannelEnabled = false;
    bool m_backupConnectionEnabled = false;
    std::string m_backupAddress = "DISABLED";
    std::string m_backupReadTsap = "DISABLED";
    std::string m_backupWriteTsap = "DISABLED";
};
