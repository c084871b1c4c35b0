#include "document/tree_dump.h"

#include "model/dictionaries.h"
#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"

namespace
{

// name="value", the value's quotes doubled so that any text stays on its line and reads back.
class Line
{
public:
    explicit Line(std::string head) : text_(std::move(head)) {}
    Line &Add(std::string_view name, std::string_view value)
    {
        text_ += ' ';
        text_ += name;
        text_ += "=\"";
        for (char c : value) {
            if (c == '"')
                text_ += '"';
            text_ += (c == '\n' || c == '\r') ? ' ' : c;
        }
        text_ += '"';
        return *this;
    }
    std::string Done() const { return text_ + '\n'; }

private:
    std::string text_;
};

std::string ChannelLine(const CChannel &c)
{
    Line line("channel " + c.GetChannelNumberText() + ":");
    if (auto *d = dynamic_cast<const CDrvSpecificChannel *>(&c))
        line.Add("protocol", d->GetProtocolText()).Add("ethernet_card", d->GetEthernetCardText());
    line.Add("reply_timeout", c.GetReplyTimeoutText())
        .Add("delay", c.GetDelayText())
        .Add("retries", c.GetRetriesText())
        .Add("display_alarms", c.GetDisplayAlarmsText())
        .Add("comms_alarms_disabled", c.GetCommsAlarmsDisabledText())
        .Add("port", c.GetPortText())
        .Add("baud_rate", c.GetBaudRateText())
        .Add("data_bits", c.GetDataBitsText())
        .Add("parity", c.GetParityText())
        .Add("flow_control", c.GetFlowControlText())
        .Add("stop_bits", c.GetStopBitsText())
        .Add("backup_port", c.GetBackupPortText())
        .Add("backup_baud_rate", c.GetBackupBaudRateText())
        .Add("backup_data_bits", c.GetBackupDataBitsText())
        .Add("backup_parity", c.GetBackupParityText())
        .Add("backup_flow_control", c.GetBackupFlowControlText())
        .Add("backup_stop_bits", c.GetBackupStopBitsText())
        .Add("backup_reply_timeout", c.GetBackupReplyTimeoutText())
        .Add("backup_retries", c.GetBackupRetriesText())
        .Add("backup_delay", c.GetBackupDelayText());
    return line.Done();
}

std::string DeviceLine(const CDevice &dev)
{
    Line line("  device " + dev.GetName() + ":");
    line.Add("description", dev.GetDescription());
    if (auto *d = dynamic_cast<const CDrvSpecificDevice *>(&dev))
        line.Add("plc_type", d->GetPlcTypeText())
            .Add("address", d->GetAddressText(0))
            .Add("read_tsap", d->GetReadTsap())
            .Add("write_tsap", d->GetWriteTsap())
            .Add("backup_connection", d->GetBackupConnectionEnabled() ? "Yes" : "No")
            .Add("backup_address", d->GetAddressText(1))
            .Add("backup_read_tsap", d->GetBackupReadTsap())
            .Add("backup_write_tsap", d->GetBackupWriteTsap())
            .Add("backup_channel", d->GetBackupChannelEnabled() ? "Yes" : "No");
    return line.Done();
}

std::string IORecLine(const CIORec &r)
{
    Line line("    iorec " + r.GetRecordNumberText() + ":");
    if (auto *d = dynamic_cast<const CDrvSpecificIORec *>(&r))
        line.Add("start", d->GetAddressText(1))
            .Add("end", d->GetAddressText(0))
            .Add("length", d->GetLengthText())
            .Add("data_type", d->GetDataTypeText());
    line.Add("poll_time", r.GetPollTimeText())
        .Add("access_time", r.GetAccessTimeText())
        .Add("exception", r.GetExceptionTypeText(KVZ_Exception_dct))
        .Add("dead_band", r.GetDeadBandText());
    return line.Done();
}

} // namespace

std::string DumpTree(const ChannelList &channels)
{
    std::string out;
    for (const auto &c : channels) {
        out += ChannelLine(*c);
        for (const auto &d : c->Devices()) {
            out += DeviceLine(*d);
            for (const auto &r : d->IORecs())
                out += IORecLine(*r);
        }
    }
    return out;
}
