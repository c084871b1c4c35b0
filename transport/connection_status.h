// The connection status record the poll engine reads.
#pragma once

#include "connection.h"

#include <cstdint>

namespace ferrolink
{

// Fills the 36-byte record and remembers the tick and item count for the next throughput figure.
void FillConnectionStatus(Connection &c, int index, int connections, uint8_t *record);

} // namespace ferrolink
