// H1 framing and the class 4 transport units that only H1 uses: the Ethernet + LLC frame around a
// unit, AK (with and without flow-control confirmation) and the DT header with its send number.
#pragma once

#include "packet_device.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ferrolink
{

// Frame offsets.
constexpr size_t kFrameDestination = 0;
constexpr size_t kFrameSource = 6;
constexpr size_t kFrameLength = 12; // 802.3 length: bytes from the LLC header to the unit's end
constexpr size_t kFrameLlc = 14;
constexpr size_t kFrameNetworkLayer = 17;
constexpr size_t kFrameUnit = 18;
constexpr size_t kFrameDestinationRef = 20;
constexpr size_t kMinFrame = 60;
constexpr uint8_t kInactiveNetworkLayer = 0x00;

// Unit offsets of the class 4 extended formats.
constexpr int kDtH1Number = 4; // end-of-unit bit and the 31-bit send number
constexpr uint8_t kDtH1Li = 7;
constexpr int kAkNumber = 4; // next expected data unit number
constexpr int kAkCredit = 8;
constexpr int kAkParameters = 10;
constexpr uint8_t kAkLi = 9;
constexpr uint8_t kAkFccLi = 19;
constexpr uint8_t kParamFlowControl = 0x8C;
constexpr uint8_t kFlowControlLength = 8;
constexpr int kFccLowerEdge = 0; // offsets inside the parameter's value
constexpr int kFccSubsequence = 4;
constexpr int kFccCredit = 6;

constexpr uint32_t kNumberMask = 0x7FFFFFFF;

// The whole frame for one unit: addresses, 802.3 length, LLC and the unit; control units (all but
// DT) are padded with zeros to 60 bytes, data units go at their exact length.
void BuildH1Frame(std::vector<uint8_t> &out, const MacAddress &destination, const MacAddress &source,
                  std::span<const uint8_t> unit);

// The unit inside a received frame (cut at the 802.3 length); nullopt unless it is a transport frame.
std::optional<std::span<const uint8_t>> H1FrameUnit(std::span<const uint8_t> frame);

// DT header on H1: LI 7, code, destination reference, end-of-unit bit and send number.
void BuildDtH1Header(std::vector<uint8_t> &out, uint16_t remote_ref, uint32_t number, bool end_of_unit);

// What a flow-control confirmation confirms: the window of the AK being confirmed.
struct FlowControl {
    uint32_t lower_edge = 0;
    uint16_t credit = 0;
};
// AK: next expected number and our credit, optionally with a flow-control confirmation.
void BuildAk(std::vector<uint8_t> &out, uint16_t remote_ref, uint32_t next_expected, uint16_t credit,
             std::optional<FlowControl> confirmation = std::nullopt);

// A received AK's fields; nullopt when its LI is too short for them.
struct AkFields {
    uint32_t acknowledged = 0;
    uint16_t credit = 0;
    bool has_confirmation = false;
    std::vector<FlowControl> confirmations; // every 0x8C parameter, in order
};
std::optional<AkFields> ParseAk(std::span<const uint8_t> header);

// 31-bit sequence arithmetic.
inline uint32_t NextNumber(uint32_t n)
{
    return (n + 1) & kNumberMask;
}
// Whether a lies ahead of b (within half the number space).
inline bool NumberAbove(uint32_t a, uint32_t b)
{
    uint32_t d = (a - b) & kNumberMask;
    return d != 0 && d < 0x40000000u;
}
// How far apart two numbers are, whichever way round.
inline uint32_t NumberDistance(uint32_t a, uint32_t b)
{
    uint32_t ahead = (a - b) & kNumberMask;
    uint32_t behind = (b - a) & kNumberMask;
    return ahead < behind ? ahead : behind;
}

} // namespace ferrolink
