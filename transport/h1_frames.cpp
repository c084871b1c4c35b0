#include "h1_frames.h"

#include "byte_order.h"
#include "cotp_frames.h"

#include <algorithm>

namespace ferrolink
{
namespace
{
constexpr uint8_t kLlc[] = {0xFE, 0xFE, 0x03};
constexpr size_t kMaxLengthField = 1500;
} // namespace

void BuildH1Frame(std::vector<uint8_t> &out, const MacAddress &destination, const MacAddress &source,
                  std::span<const uint8_t> unit)
{
    out.clear();
    out.insert(out.end(), destination.begin(), destination.end());
    out.insert(out.end(), source.begin(), source.end());
    Append16Be(out, static_cast<uint16_t>(sizeof kLlc + 1 + unit.size()));
    out.insert(out.end(), std::begin(kLlc), std::end(kLlc));
    out.push_back(kInactiveNetworkLayer);
    out.insert(out.end(), unit.begin(), unit.end());
    bool data_unit = unit.size() > kUnitCode && (unit[kUnitCode] & 0xF0) == kCodeDt;
    if (!data_unit && out.size() < kMinFrame) {
        out.resize(kMinFrame, 0);
    }
}

std::optional<std::span<const uint8_t>> H1FrameUnit(std::span<const uint8_t> frame)
{
    if (frame.size() < kFrameUnit) {
        return std::nullopt;
    }
    size_t length = Get16Be(&frame[kFrameLength]);
    if (length > kMaxLengthField || length < kFrameUnit - kFrameLlc || length > frame.size() - kFrameLlc ||
        !std::equal(std::begin(kLlc), std::end(kLlc), frame.begin() + kFrameLlc)) {
        return std::nullopt;
    }
    return frame.subspan(kFrameUnit, length - (kFrameUnit - kFrameLlc));
}

void BuildDtH1Header(std::vector<uint8_t> &out, uint16_t remote_ref, uint32_t number, bool end_of_unit)
{
    out.clear();
    out.push_back(kDtH1Li);
    out.push_back(kCodeDt);
    AppendReference(out, remote_ref);
    Append32Be(out, (number & kNumberMask) | (end_of_unit ? 0x80000000u : 0u));
}

void BuildAk(std::vector<uint8_t> &out, uint16_t remote_ref, uint32_t next_expected, uint16_t credit,
             std::optional<FlowControl> confirmation)
{
    out.clear();
    out.push_back(confirmation ? kAkFccLi : kAkLi);
    out.push_back(kCodeAk);
    AppendReference(out, remote_ref);
    Append32Be(out, next_expected & kNumberMask);
    Append16Be(out, credit);
    if (confirmation) {
        out.push_back(kParamFlowControl);
        out.push_back(kFlowControlLength);
        Append32Be(out, confirmation->lower_edge & kNumberMask);
        Append16Be(out, 0); // subsequence number
        Append16Be(out, confirmation->credit);
    }
}

std::optional<AkFields> ParseAk(std::span<const uint8_t> header)
{
    if (header.size() < static_cast<size_t>(kAkParameters)) {
        return std::nullopt;
    }
    AkFields ak;
    ak.acknowledged = Get32Be(&header[kAkNumber]) & kNumberMask;
    ak.credit = Get16Be(&header[kAkCredit]);
    size_t at = kAkParameters;
    while (at + 2 <= header.size()) {
        uint8_t code = header[at];
        uint8_t length = header[at + 1];
        if (at + 2 + length > header.size()) {
            break;
        }
        if (code == kParamFlowControl && length == kFlowControlLength) {
            const uint8_t *value = &header[at + 2];
            ak.has_confirmation = true;
            ak.confirmations.push_back(
                {Get32Be(value + kFccLowerEdge) & kNumberMask, Get16Be(value + kFccCredit)});
        }
        at += 2u + length;
    }
    return ak;
}

} // namespace ferrolink
