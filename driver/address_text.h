#pragma once
// The addresses a SCADA-side client asks for: S7 "DB10,DBW4", "DB10.DBX2.1", "MW4", "IB0", "Q1.3",
// S5 "DB:3:100", "DX:3:0", "C:5", "T:5". Parsed into the same area numbers the poll records use.
#include "driver/image_plan.h"

#include <optional>
#include <string_view>

namespace spoll
{

struct ParsedAddress {
    uint32_t area = 0; // S7 area code, or S5 organisation id
    uint16_t db = 0;
    uint32_t start = 0; // byte (S7) or word (S5) address
    uint32_t width = 1; // bytes (S7: 1, 2, 4) or words (S5: 1)
    int bit = -1;       // S7 bit 0..7, -1 for a whole byte, word or double word
};

std::optional<ParsedAddress> ParseAddress(Family family, std::string_view text);

} // namespace spoll
