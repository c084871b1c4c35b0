// S7 set-up, read and write messages (the data of a DT), built from the request block.
#pragma once

#include "request_block.h"

#include <cstdint>
#include <vector>

namespace ferrolink
{

// Offsets in an S7 message.
constexpr int kS7Protocol = 0;
constexpr int kS7MessageType = 1;
constexpr int kS7Reference = 2; // 4 bytes: two reserved bytes and the PDU reference
constexpr int kS7PduReference = 4;
constexpr int kS7ParameterLength = 6;
constexpr int kS7DataLength = 8;
constexpr int kS7JobHeader = 10;
constexpr int kS7ErrorClass = 10; // answers only
constexpr int kS7AckHeader = 12;
constexpr int kS7SetupPduSize = 18; // in a set-up answer

constexpr uint8_t kS7ProtocolId = 0x32;
constexpr uint8_t kS7Job = 0x01;
constexpr uint8_t kS7Ack = 0x02;
constexpr uint8_t kS7AckData = 0x03;
constexpr uint8_t kS7FunctionRead = 0x04;
constexpr uint8_t kS7FunctionWrite = 0x05;
constexpr uint8_t kS7FunctionSetup = 0xF0;
constexpr uint16_t kS7SetupReference = 0xFFFF;
constexpr uint8_t kS7ItemOk = 0xFF;
constexpr uint8_t kS7TransportByteBits = 0x04;

constexpr int kS7SetupSize = 18;
constexpr int kS7ItemSize = 12;

void AppendS7Setup(std::vector<uint8_t> &out);
// A request the library can send: 1..32 items, each 1..64 bytes (one slot).
bool S7RequestFits(const RequestBlock &request);
// Both refuse (append nothing, give false) a request that does not fit.
bool AppendS7Read(std::vector<uint8_t> &out, const RequestBlock &request);
bool AppendS7Write(std::vector<uint8_t> &out, const RequestBlock &request);

} // namespace ferrolink
