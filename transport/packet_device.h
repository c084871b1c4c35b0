// The packet device: a handle on one Ethernet adapter through which whole frames are written and
// read. It offers exactly four control operations, each a code with an input and an output block;
// the helpers below build and read those blocks so that every implementation sees the same bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace ferrolink
{

// Control codes.
constexpr uint32_t kControlBind = 0x0012C800;         // input: adapter device name, UTF-16, no NUL
constexpr uint32_t kControlQueryAddress = 0x0012C804; // input and output: the object block
constexpr uint32_t kControlEnumerate = 0x0012C80C;    // input: the binding block; output: strings
constexpr uint32_t kControlWaitBindings = 0x0012C810; // no input, no output

// Object block of the address query.
constexpr size_t kObjectBlockSize = 200;
constexpr size_t kObjectId = 0;
constexpr size_t kObjectPort = 4;
constexpr size_t kObjectData = 8;
constexpr uint32_t kObjectCurrentAddress = 0x01010102; // 802.3 current address

// Binding block of the enumeration: its 20 bytes begin the output too, with the strings (UTF-16,
// lengths in bytes) at the offsets given.
constexpr size_t kBindingBlockSize = 20;
constexpr size_t kBindingIndex = 0;
constexpr size_t kBindingNameOffset = 4;
constexpr size_t kBindingNameLength = 8;
constexpr size_t kBindingDescriptionOffset = 12;
constexpr size_t kBindingDescriptionLength = 16;
constexpr size_t kBindingOutputSize = 1024;

constexpr size_t kMaxFrame = 1518;
constexpr int kReadTimeoutMs = 300;

using MacAddress = std::array<uint8_t, 6>;

class PacketDevice
{
public:
    virtual ~PacketDevice() = default;
    // One control operation: the number of output bytes written, or -1 when the device refuses.
    virtual long Control(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output) = 0;
    // Writes one whole frame: 0 or an error number.
    virtual int WriteFrame(std::span<const uint8_t> frame) = 0;
    // Waits up to timeout_ms for one frame: its length, 0 when none came, -1 when the device is closed.
    virtual long ReadFrame(std::span<uint8_t> buffer, int timeout_ms) = 0;
    // Ends every read in progress; later reads give -1.
    virtual void Close() = 0;
};

struct Binding {
    std::u16string name;
    std::u16string description;
};

bool BindAdapter(PacketDevice &device, std::u16string_view name);
std::optional<MacAddress> QueryAdapterAddress(PacketDevice &device);
std::optional<Binding> QueryBinding(PacketDevice &device, uint32_t index);
bool WaitForBindings(PacketDevice &device);

// Answers the enumeration on the device's side: writes the output block for one binding.
long WriteBindingAnswer(uint32_t index, const Binding &binding, std::span<uint8_t> output);

// Opens the packet device (null when it cannot be opened, e.g. without the privilege). The Linux
// raw-socket device unless a test installed another opener.
using PacketDeviceOpener = std::function<std::shared_ptr<PacketDevice>()>;
std::shared_ptr<PacketDevice> OpenPacketDevice();
void SetPacketDeviceOpener(PacketDeviceOpener opener); // empty restores the default

} // namespace ferrolink
