#pragma once
// A change of a channel's protocol as the channel dialog applies it. An address of one protocol is no
// address of the other (an IPv4 text cut to 12 characters, 12 hexadecimal digits read as IPv4), so the
// devices whose addresses the new protocol cannot hold are named in a question first; when the user
// agrees they take the new protocol's default address, which is what the window then shows and the
// file holds.
#include <cstdint>
#include <vector>

class CChannel;
class CDrvSpecificDevice;

// The devices of `channel`, in list order, whose addresses a protocol of `protocolValue` cannot hold.
std::vector<CDrvSpecificDevice *> DevicesNotFittingProtocol(const CChannel &channel, uint16_t protocolValue);

// Asks message 4066 (Yes/No) naming `devices` (one line each: name and address) when there are any;
// true when there are none or the user answers Yes.
bool ConfirmProtocolChange(const std::vector<CDrvSpecificDevice *> &devices, uint16_t protocolValue);

// Gives `devices` the default address of `protocolValue` where it cannot hold theirs.
void FitDevicesToProtocol(const std::vector<CDrvSpecificDevice *> &devices, uint16_t protocolValue);
