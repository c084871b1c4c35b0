// The packet device on Linux: an AF_PACKET raw socket bound to one Ethernet interface. Adapters are
// the machine's Ethernet interfaces; the interface name is the adapter's device name.
#pragma once

#include "packet_device.h"

#include <memory>

namespace ferrolink
{

// Null when raw sockets cannot be opened (no CAP_NET_RAW).
std::shared_ptr<PacketDevice> OpenAfPacketDevice();

// Whether a received frame is one for the transport: an 802.3 frame (length field, not a type) whose
// length fits what arrived and that carries the LLC header 0xFE 0xFE 0x03.
bool IsTransportFrame(std::span<const uint8_t> frame);

} // namespace ferrolink
