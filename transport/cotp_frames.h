// ISO 8073 transport units, from the length indicator (LI) on. The link in use puts the TPKT
// header (TCP) or the Ethernet and LLC header (H1) in front.
#pragma once

#include "tsap.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ferrolink
{

// Offsets inside a transport unit.
constexpr int kUnitLi = 0;
constexpr int kUnitCode = 1;
constexpr int kUnitDestinationRef = 2;
constexpr int kUnitSourceRef = 4;
constexpr int kConnectClass = 6;
constexpr int kConnectParameters = 7;
constexpr int kDtTcpEot = 2;
constexpr int kDtTcpHeader = 3;

constexpr uint8_t kCodeCr = 0xE0;
constexpr uint8_t kCodeCc = 0xD0;
constexpr uint8_t kCodeDr = 0x80;
constexpr uint8_t kCodeDc = 0xC0;
constexpr uint8_t kCodeAk = 0x60;
constexpr uint8_t kCodeDt = 0xF0;
constexpr uint8_t kEndOfUnit = 0x80;

constexpr uint8_t kParamTpduSize = 0xC0;
constexpr uint8_t kParamCallingTsap = 0xC1;
constexpr uint8_t kParamCalledTsap = 0xC2;
constexpr uint8_t kTpdu2048 = 0x0B;
constexpr uint8_t kTpdu512 = 0x09;

enum class Framing { Tcp, H1 };

// CR: class 0 on TCP, class 4 with extended formats and the extra parameters on H1.
void BuildCr(std::vector<uint8_t> &out, uint16_t local_ref, const Tsaps &tsaps, Framing framing);
// DT header on TCP (class 0): LI 2, code, end of unit. The message is appended after it.
void BuildDtTcpHeader(std::vector<uint8_t> &out);
// DR with a reason byte (0x80 user disconnect, 0x00 engine reset).
void BuildDr(std::vector<uint8_t> &out, uint16_t remote_ref, uint16_t local_ref, uint8_t reason);
// DC answering a DR.
void BuildDc(std::vector<uint8_t> &out, uint16_t remote_ref, uint16_t local_ref);

// A received unit after its length checks: the unit's bytes (LI + 1 header bytes, then data).
struct Unit {
    std::span<const uint8_t> bytes;
    uint8_t li = 0;
    uint8_t code = 0;
    std::span<const uint8_t> Header() const { return bytes.first(li + 1u); }
    std::span<const uint8_t> Data() const { return bytes.subspan(li + 1u); }
};

// Checks that LI fits the unit; nullopt when it does not (the unit is refused).
std::optional<Unit> ParseUnit(std::span<const uint8_t> unit);
// References as stored: low byte first.
uint16_t ReadReference(std::span<const uint8_t> header, int offset);
// The TPDU size code of a CC, parameters parsed by code in any order; nullopt when absent.
std::optional<uint8_t> CcTpduSize(const Unit &cc);

} // namespace ferrolink
