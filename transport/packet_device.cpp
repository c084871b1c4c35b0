#include "packet_device.h"

#include "af_packet_device.h"
#include "byte_order.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace ferrolink
{
namespace
{
std::mutex g_opener_lock;
PacketDeviceOpener g_opener;

std::u16string ReadUtf16(std::span<const uint8_t> output, uint32_t offset, uint32_t length)
{
    std::u16string text;
    if (offset > output.size() || length > output.size() - offset) {
        return text;
    }
    for (uint32_t i = 0; i + 1 < length; i += 2) {
        char16_t ch = static_cast<char16_t>(Get16Le(&output[offset + i]));
        if (ch == 0) {
            break;
        }
        text.push_back(ch);
    }
    return text;
}

size_t WriteUtf16(std::u16string_view text, std::span<uint8_t> output, size_t at)
{
    size_t written = 0;
    for (char16_t ch : text) {
        if (at + written + 2 > output.size()) {
            break;
        }
        Put16Le(&output[at + written], ch);
        written += 2;
    }
    return written;
}
} // namespace

bool BindAdapter(PacketDevice &device, std::u16string_view name)
{
    std::vector<uint8_t> input;
    input.reserve(name.size() * 2);
    for (char16_t ch : name) {
        input.push_back(static_cast<uint8_t>(ch));
        input.push_back(static_cast<uint8_t>(ch >> 8));
    }
    return device.Control(kControlBind, input, {}) >= 0;
}

std::optional<MacAddress> QueryAdapterAddress(PacketDevice &device)
{
    std::array<uint8_t, kObjectBlockSize> block{};
    Put32Le(&block[kObjectId], kObjectCurrentAddress);
    Put32Le(&block[kObjectPort], 0);
    std::array<uint8_t, kObjectBlockSize> output = block;
    long got = device.Control(kControlQueryAddress, block, output);
    if (got < static_cast<long>(kObjectData + 6)) {
        return std::nullopt;
    }
    MacAddress address;
    std::copy_n(output.begin() + kObjectData, address.size(), address.begin());
    return address;
}

std::optional<Binding> QueryBinding(PacketDevice &device, uint32_t index)
{
    std::array<uint8_t, kBindingBlockSize> block{};
    Put32Le(&block[kBindingIndex], index);
    std::vector<uint8_t> output(kBindingOutputSize);
    long got = device.Control(kControlEnumerate, block, output);
    if (got < static_cast<long>(kBindingBlockSize)) {
        return std::nullopt;
    }
    std::span<const uint8_t> answer(output.data(), static_cast<size_t>(got));
    Binding binding;
    binding.name =
        ReadUtf16(answer, Get32Le(&answer[kBindingNameOffset]), Get32Le(&answer[kBindingNameLength]));
    binding.description = ReadUtf16(answer, Get32Le(&answer[kBindingDescriptionOffset]),
                                    Get32Le(&answer[kBindingDescriptionLength]));
    return binding;
}

bool WaitForBindings(PacketDevice &device)
{
    return device.Control(kControlWaitBindings, {}, {}) >= 0;
}

long WriteBindingAnswer(uint32_t index, const Binding &binding, std::span<uint8_t> output)
{
    if (output.size() < kBindingBlockSize) {
        return -1;
    }
    size_t at = kBindingBlockSize;
    size_t name_length = WriteUtf16(binding.name, output, at);
    size_t description_at = at + name_length;
    size_t description_length = WriteUtf16(binding.description, output, description_at);
    Put32Le(&output[kBindingIndex], index);
    Put32Le(&output[kBindingNameOffset], static_cast<uint32_t>(at));
    Put32Le(&output[kBindingNameLength], static_cast<uint32_t>(name_length));
    Put32Le(&output[kBindingDescriptionOffset], static_cast<uint32_t>(description_at));
    Put32Le(&output[kBindingDescriptionLength], static_cast<uint32_t>(description_length));
    return static_cast<long>(description_at + description_length);
}

std::shared_ptr<PacketDevice> OpenPacketDevice()
{
    PacketDeviceOpener opener;
    {
        std::lock_guard guard(g_opener_lock);
        opener = g_opener;
    }
    if (opener) {
        return opener();
    }
    return OpenAfPacketDevice();
}

void SetPacketDeviceOpener(PacketDeviceOpener opener)
{
    std::lock_guard guard(g_opener_lock);
    g_opener = std::move(opener);
}

} // namespace ferrolink
