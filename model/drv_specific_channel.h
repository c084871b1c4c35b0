#pragma once
// The channel of this driver: one Industrial Ethernet path, reached through one adapter of the computer
// with one transport protocol. The serial-port settings of the base class are kept and stored but not
// shown; the user edits the protocol, the adapter, the reply timeout, the delay, the retries and the
// alarm switches.
#include "model/channel.h"

#include <string>

class CDrvSpecificChannel : public CChannel
{
public:
    CDrvSpecificChannel();

    uint32_t ReadRecord(ChannelRecordView record) override;
    void WriteRecord(ChannelRecordBuffer record) const override;
    bool ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored) override;
    void WriteCsv(std::string &line, std::string_view separator) const override;
    void WriteCsvHeader(std::string &line, std::string_view separator) const override;

    // Port settings, protocol and Ethernet card (what the channel dialog edits on a working copy).
    void CopySettingsFrom(const CDrvSpecificChannel &other);
    bool CompareSettings(const CDrvSpecificChannel &other) const;

    // Row index into Protocol_dct.
    uint16_t GetProtocolIndex() const { return m_protocol; }
    void SetProtocolIndex(uint16_t index) { m_protocol = index; }
    // 2 (ISO transport on Ethernet), 6 (TCP/IP), or 0xFFFE for an unknown protocol.
    uint16_t GetProtocolValue() const;
    std::string GetProtocolText() const;

    // The adapter's name, at most 127 UTF-16 units (longer names are cut).
    const std::u16string &GetEthernetCard() const { return m_ethernetCard; }
    void SetEthernetCard(std::u16string_view card);
    std::string GetEthernetCardText() const;
    void SetEthernetCardText(std::string_view card);

private:
    uint16_t m_protocol = 1; // "TCP/IP"
    std::u16string m_ethernetCard;
};
