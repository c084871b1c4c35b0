#pragma once
// The rules the configuration view and the add-device dialog apply to device names: the characters a
// name may hold, the default name of a new device, and the checks of a rename and of a new name. The
// checks show their own messages through ShowModelMessage, as the Set operations do.
#include <cstddef>
#include <string>
#include <string_view>

class CChannel;
class CDevice;

inline constexpr std::string_view kDeviceNameCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-";
inline constexpr size_t kDeviceNameMaxLength = 11;
inline constexpr size_t kDeviceDescriptionMaxLength = 35;
// The configuration view's Add button is enabled while the channel holds at most this many devices.
inline constexpr size_t kAddDeviceEnabledUpTo = 256;

// True when every character of `name` is in kDeviceNameCharacters (an empty name passes).
bool IsDeviceNameText(std::string_view name);

// "D" (string 4008), the channel number (channelIndex + 1) and the channel's device count counting the
// new device (0 counts as 1): the first device of channel 3 is D31.
std::string DefaultDeviceName(int channelIndex, size_t deviceCountWithNew);
// The name the add-device dialog proposes for a device just added to `channel` (index
// `channelIndex`): the default name, or "" when any device of any channel already has that name.
std::string ProposedDeviceName(int channelIndex, const CChannel &channel);

enum class DeviceNameCheck {
    Unchanged,     // the same text as the device's name: nothing to do
    BadCharacters, // message 10457 was shown
    Empty,         // the device keeps its name; the document is marked modified
    Duplicate,     // message 4001 (rename) or 10413 (new name) was shown
    Accepted       // the name may be stored
};

// The configuration view's rename of `device` to `newName` (already upper-cased as typed).
DeviceNameCheck CheckDeviceRename(const CDevice &device, std::string_view newName);
// The add-device dialog's OK: characters (10457), then a name used by any device of any channel
// (10413). An empty name is Accepted: the view then drops the new device.
DeviceNameCheck CheckNewDeviceName(std::string_view name);
