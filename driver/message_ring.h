#pragma once
// The driver's side of the message ring in the control block: it writes an entry and advances
// msg_write; the reader advances msg_read.
#include <cstdint>
#include <string_view>

namespace spoll
{

// Puts one message into the ring; false (and nothing written) when the ring is full.
bool PostDriverMessage(uint8_t *block, uint16_t code, std::string_view text);

} // namespace spoll
