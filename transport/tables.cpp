#include "tables.h"

namespace ferrolink
{

Tables &LibraryTables()
{
    static Tables tables;
    return tables;
}

int FreeConnectionSlot(const Tables &tables)
{
    if (tables.connection_count >= kMaxConnections) {
        return -1;
    }
    if (!tables.connections[tables.connection_count].in_use) {
        return tables.connection_count;
    }
    for (int i = 0; i < kMaxConnections; ++i) {
        if (!tables.connections[i].in_use) {
            return i;
        }
    }
    return -1;
}

} // namespace ferrolink
