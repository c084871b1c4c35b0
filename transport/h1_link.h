// H1 link: puts each transport unit into an 802.3 frame with the LLC header and writes it to the
// channel's packet device. Frames arrive through the channel's receiver threads, not here.
#pragma once

#include "frame_link.h"
#include "packet_device.h"

#include <memory>
#include <vector>

namespace ferrolink
{

class H1Link final : public FrameLink
{
public:
    H1Link(std::shared_ptr<PacketDevice> device, const MacAddress &local, const MacAddress &remote)
        : device_(std::move(device)), local_(local), remote_(remote)
    {
    }
    Framing Kind() const override { return Framing::H1; }
    int SendUnit(std::span<const uint8_t> unit) override;
    long Receive(std::span<uint8_t>) override { return 0; }
    bool Connected() const override { return true; }
    void Reconnect() override {}
    void Close() override {}
    int WritableCheck() override { return kSocketNotWritable; }

private:
    std::shared_ptr<PacketDevice> device_;
    MacAddress local_;
    MacAddress remote_;
};

} // namespace ferrolink
