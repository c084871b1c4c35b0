#include "tables.h"

namespace ferrolink
{

Tables &LibraryTables()
{
    // Never destroyed: an H1 channel left open at exit keeps its threads on these tables until the
    // process is gone.
    static Tables &tables = *new Tables;
    return tables;
}

int FreeConnectionSlot(const Tables &tables)
{
    int count = tables.connection_count;
    if (count >= kMaxConnections) {
        return -1;
    }
    if (!tables.connections[count].in_use) {
        return count;
    }
    for (int i = 0; i < kMaxConnections; ++i) {
        if (!tables.connections[i].in_use) {
            return i;
        }
    }
    return -1;
}

} // namespace ferrolink
