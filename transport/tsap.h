// Transport selectors built from the TSAP text given when a connection is created.
#pragma once

#include <array>
#include <cstdint>

namespace ferrolink
{

constexpr int kMaxTsap = 10;

struct Tsaps {
    std::array<uint8_t, kMaxTsap> local{};
    std::array<uint8_t, kMaxTsap> remote{};
    uint8_t length = 0;     // one length for both selectors
    bool s7_200_cp = false; // the peer is an S7-200 communication processor
};

// kind 0 and 2: S5 fetch/write; kind 1: S7. A null text counts as empty.
Tsaps ParseTsap(const char *text, int kind);

} // namespace ferrolink
