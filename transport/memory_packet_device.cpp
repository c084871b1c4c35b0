#include "memory_packet_device.h"

#include "byte_order.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace ferrolink
{
namespace
{
constexpr size_t kDestination = 0;
constexpr size_t kMaxQueued = 4096;

class MemoryDevice final : public PacketDevice
{
public:
    explicit MemoryDevice(std::shared_ptr<MemoryWire> wire) : wire_(std::move(wire)) {}
    ~MemoryDevice() override { Close(); }

    long Control(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output) override
    {
        const auto &adapters = wire_->Adapters();
        switch (code) {
        case kControlBind: {
            std::u16string name;
            for (size_t i = 0; i + 1 < input.size(); i += 2) {
                name.push_back(static_cast<char16_t>(Get16Le(&input[i])));
            }
            for (size_t i = 0; i < adapters.size(); ++i) {
                if (adapters[i].name == name) {
                    std::lock_guard guard(lock_);
                    bound_ = i;
                    return 0;
                }
            }
            return -1;
        }
        case kControlQueryAddress: {
            auto at = Bound();
            if (!at || input.size() < kObjectData || output.size() < kObjectData + 6 ||
                Get32Le(&input[kObjectId]) != kObjectCurrentAddress) {
                return -1;
            }
            std::copy(input.begin(), input.begin() + kObjectData, output.begin());
            std::copy_n(adapters[*at].address.begin(), 6, output.begin() + kObjectData);
            return static_cast<long>(kObjectData + 6);
        }
        case kControlEnumerate: {
            if (input.size() < kBindingBlockSize) {
                return -1;
            }
            uint32_t index = Get32Le(&input[kBindingIndex]);
            if (index >= adapters.size()) {
                return -1;
            }
            return WriteBindingAnswer(index, Binding{adapters[index].name, adapters[index].description},
                                      output);
        }
        case kControlWaitBindings:
            return 0;
        default:
            return -1;
        }
    }

    int WriteFrame(std::span<const uint8_t> frame) override
    {
        auto at = Bound();
        return at ? wire_->Write(*at, frame) : 107;
    }

    long ReadFrame(std::span<uint8_t> buffer, int timeout_ms) override
    {
        // A reader coming back for the next frame has finished with the one it held.
        thread_local bool holding = false;
        auto at = Bound();
        if (!at) {
            return -1;
        }
        return wire_->Read(*at, buffer, timeout_ms, closed_, holding);
    }

    void Close() override
    {
        closed_ = true;
        wire_->Wake();
    }

private:
    std::optional<size_t> Bound()
    {
        std::lock_guard guard(lock_);
        return bound_;
    }

    std::shared_ptr<MemoryWire> wire_;
    std::mutex lock_;
    std::optional<size_t> bound_;
    std::atomic<bool> closed_{false};
};
} // namespace

MemoryWire::MemoryWire(std::vector<Adapter> adapters)
    : adapters_(std::move(adapters)), queues_(adapters_.size())
{
}

std::shared_ptr<MemoryWire> MemoryWire::Pair(const MacAddress &first, const MacAddress &second)
{
    return std::make_shared<MemoryWire>(std::vector<Adapter>{{u"mem0", u"In-memory adapter 0", first},
                                                             {u"mem1", u"In-memory adapter 1", second}});
}

std::shared_ptr<PacketDevice> MemoryWire::Open()
{
    return std::make_shared<MemoryDevice>(shared_from_this());
}

int MemoryWire::Write(size_t from, std::span<const uint8_t> frame)
{
    if (frame.size() < 14 || frame.size() > kMaxFrame) {
        return 22;
    }
    std::lock_guard guard(lock_);
    log_.emplace_back(frame.begin(), frame.end());
    bool group = (frame[kDestination] & 1) != 0;
    for (size_t i = 0; i < adapters_.size(); ++i) {
        if (i == from || queues_[i].size() >= kMaxQueued) {
            continue;
        }
        if (group || std::equal(adapters_[i].address.begin(), adapters_[i].address.end(),
                                frame.begin() + kDestination)) {
            queues_[i].emplace_back(frame.begin(), frame.end());
            ++in_flight_;
        }
    }
    changed_.notify_all();
    return 0;
}

long MemoryWire::Read(size_t at, std::span<uint8_t> buffer, int timeout_ms, const std::atomic<bool> &closed,
                      bool &holding)
{
    std::unique_lock guard(lock_);
    if (holding) {
        holding = false;
        --in_flight_;
        changed_.notify_all();
    }
    bool woke = changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                                  [&] { return closed || !queues_[at].empty(); });
    if (closed) {
        return -1;
    }
    if (!woke) {
        return 0;
    }
    std::vector<uint8_t> frame = std::move(queues_[at].front());
    queues_[at].pop_front();
    holding = true;
    size_t n = std::min(frame.size(), buffer.size());
    std::copy_n(frame.begin(), n, buffer.begin());
    return static_cast<long>(n);
}

void MemoryWire::Wake()
{
    std::lock_guard guard(lock_);
    changed_.notify_all();
}

bool MemoryWire::WaitQuiet(int timeout_ms)
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms), [&] { return in_flight_ == 0; });
}

std::vector<std::vector<uint8_t>> MemoryWire::Log()
{
    std::lock_guard guard(lock_);
    return log_;
}

} // namespace ferrolink
