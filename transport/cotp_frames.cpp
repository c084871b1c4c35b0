#include "cotp_frames.h"

#include "byte_order.h"

namespace ferrolink
{
namespace
{
constexpr uint8_t kClass0 = 0x00;
constexpr uint8_t kClass4Extended = 0x42;
constexpr uint8_t kH1CrExtras[] = {0xC6, 0x01, 0x03, 0xC4, 0x01, 0x01, 0x63, 0x02, 0x00, 0x00};

void AppendParameter(std::vector<uint8_t> &out, uint8_t code, std::span<const uint8_t> value)
{
    out.push_back(code);
    out.push_back(static_cast<uint8_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

void SetLi(std::vector<uint8_t> &out)
{
    out[kUnitLi] = static_cast<uint8_t>(out.size() - 1);
}
} // namespace

void BuildCr(std::vector<uint8_t> &out, uint16_t local_ref, const Tsaps &tsaps, Framing framing)
{
    out.clear();
    out.push_back(0); // LI, set below
    out.push_back(kCodeCr);
    AppendReference(out, 0);
    AppendReference(out, local_ref);
    out.push_back(framing == Framing::H1 ? kClass4Extended : kClass0);
    size_t length = tsaps.length <= kMaxTsap ? tsaps.length : kMaxTsap;
    AppendParameter(out, kParamCallingTsap, std::span(tsaps.local).first(length));
    AppendParameter(out, kParamCalledTsap, std::span(tsaps.remote).first(length));
    uint8_t size = tsaps.s7_200_cp ? kTpdu512 : kTpdu2048;
    AppendParameter(out, kParamTpduSize, std::span(&size, 1));
    if (framing == Framing::H1) {
        out.insert(out.end(), std::begin(kH1CrExtras), std::end(kH1CrExtras));
    }
    SetLi(out);
}

void BuildDtTcpHeader(std::vector<uint8_t> &out)
{
    out.clear();
    out.push_back(2);
    out.push_back(kCodeDt);
    out.push_back(kEndOfUnit);
}

void BuildDr(std::vector<uint8_t> &out, uint16_t remote_ref, uint16_t local_ref, uint8_t reason)
{
    out.clear();
    out.push_back(6);
    out.push_back(kCodeDr);
    AppendReference(out, remote_ref);
    AppendReference(out, local_ref);
    out.push_back(reason);
}

void BuildDc(std::vector<uint8_t> &out, uint16_t remote_ref, uint16_t local_ref)
{
    out.clear();
    out.push_back(5);
    out.push_back(kCodeDc);
    AppendReference(out, remote_ref);
    AppendReference(out, local_ref);
}

std::optional<Unit> ParseUnit(std::span<const uint8_t> unit)
{
    if (unit.size() < 2) {
        return std::nullopt;
    }
    Unit u;
    u.li = unit[kUnitLi];
    u.code = unit[kUnitCode];
    if (u.li < 1 || static_cast<size_t>(u.li) + 1 > unit.size()) {
        return std::nullopt;
    }
    u.bytes = unit;
    return u;
}

uint16_t ReadReference(std::span<const uint8_t> header, int offset)
{
    if (header.size() < static_cast<size_t>(offset) + 2) {
        return 0;
    }
    return Get16Le(header.data() + offset);
}

std::optional<uint8_t> CcTpduSize(const Unit &cc)
{
    auto header = cc.Header();
    size_t at = kConnectParameters;
    std::optional<uint8_t> size;
    while (at + 2 <= header.size()) {
        uint8_t code = header[at];
        uint8_t length = header[at + 1];
        if (at + 2 + length > header.size()) {
            break;
        }
        if (code == kParamTpduSize && length == 1) {
            size = header[at + 2];
        }
        at += 2u + length;
    }
    return size;
}

} // namespace ferrolink
