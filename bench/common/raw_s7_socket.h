#pragma once
// The benchmarks' floor: S7 frames over a plain blocking TCP socket, no transport engine in between.
#include <cstdint>
#include <string>
#include <vector>

namespace benchraw
{

bool SendAll(int fd, const std::vector<uint8_t> &bytes);
// One TPKT's payload (the 4-byte header read and dropped).
bool ReadTpkt(int fd, std::vector<uint8_t> &out);
// Connects to port `port` of `ipv4`, sends the connection request and the S7 set-up and reads both
// answers; the socket, or -1.
int ConnectS7(const std::string &ipv4, uint16_t port = 102);
// A read of `bytes` bytes from byte 0 of data block `db`, as one TPKT.
std::vector<uint8_t> DbReadRequest(uint16_t db, uint16_t bytes);

} // namespace benchraw
