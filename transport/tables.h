// The channel and connection tables: the library's one piece of process-wide state.
#pragma once

#include "connection.h"
#include "packet_device.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace ferrolink
{

constexpr int kMaxChannels = 2;
constexpr int kMaxConnections = 256;

struct Channel {
    std::mutex lock; // guards the reference counter
    bool open = false;
    int kind = 0;
    uint16_t next_local_ref = 0;
    std::array<uint8_t, 6> adapter_address{};
    std::shared_ptr<PacketDevice> device; // H1: the device bound to the adapter
    std::shared_ptr<class H1Channel> h1;  // H1: the receiver and timer threads
};

struct Tables {
    std::mutex lock; // guards the connection count and the use of slots
    std::array<Channel, kMaxChannels> channels;
    std::array<Connection, kMaxConnections> connections;
    std::atomic<int> connection_count{0}; // changed under the lock, read by the status call without it
};

Tables &LibraryTables();

// The slot a new connection takes: the index equal to the count when that slot is free, else the
// first free one; -1 when all are in use. Called under the tables' lock.
int FreeConnectionSlot(const Tables &tables);

} // namespace ferrolink
