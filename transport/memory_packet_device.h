// An in-memory packet device for tests: a wire joining adapters, each with a name, a description
// and an Ethernet address. A frame written through one adapter reaches every other adapter of the
// wire whose address it is sent to (or all, for group addresses). Devices are opened on the wire
// and bound to one of its adapters by name, as on the real device.
#pragma once

#include "packet_device.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace ferrolink
{

class MemoryWire : public std::enable_shared_from_this<MemoryWire>
{
public:
    struct Adapter {
        std::u16string name;
        std::u16string description;
        MacAddress address{};
    };

    explicit MemoryWire(std::vector<Adapter> adapters);
    // A pair of adapters "mem0" and "mem1" with the addresses given.
    static std::shared_ptr<MemoryWire> Pair(const MacAddress &first, const MacAddress &second);

    std::shared_ptr<PacketDevice> Open();

    // Waits until every frame written has been read and its reader came back for the next one (so
    // whatever the frame caused has been done), or timeout_ms passed. Gives whether it is quiet.
    bool WaitQuiet(int timeout_ms);
    // Every frame written so far, in order, for inspection.
    std::vector<std::vector<uint8_t>> Log();

    // Device side (used by the devices opened on the wire).
    const std::vector<Adapter> &Adapters() const { return adapters_; }
    int Write(size_t from, std::span<const uint8_t> frame);
    long Read(size_t at, std::span<uint8_t> buffer, int timeout_ms, const std::atomic<bool> &closed,
              bool &holding);
    void Wake();

private:
    std::vector<Adapter> adapters_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::deque<std::vector<uint8_t>>> queues_;
    int in_flight_ = 0; // frames queued or being handled by the reader that took them
    std::vector<std::vector<uint8_t>> log_;
};

} // namespace ferrolink
