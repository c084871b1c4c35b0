#include "model/device_rules.h"

#include "model/channel.h"
#include "model/device.h"
#include "model/model_message.h"
#include "model/string_table.h"
#include "model/tree_state.h"

#include <algorithm>

bool IsDeviceNameText(std::string_view name)
{
    return name.find_first_not_of(kDeviceNameCharacters) == std::string_view::npos;
}

std::string DefaultDeviceName(int channelIndex, size_t deviceCountWithNew)
{
    return LoadModelString(IDS_DEFAULT_DEVICE_PREFIX) + std::to_string(channelIndex + 1) +
           std::to_string(std::max<size_t>(deviceCountWithNew, 1));
}

std::string ProposedDeviceName(int channelIndex, const CChannel &channel)
{
    std::string name = DefaultDeviceName(channelIndex, channel.DeviceCount());
    return FindDeviceByName(name) ? std::string() : name;
}

DeviceNameCheck CheckDeviceRename(const CDevice &device, std::string_view newName)
{
    if (newName == device.GetName())
        return DeviceNameCheck::Unchanged;
    if (!IsDeviceNameText(newName)) {
        ShowModelMessage(IDS_DEVICE_NAME_CHARACTERS);
        return DeviceNameCheck::BadCharacters;
    }
    if (newName.empty())
        return DeviceNameCheck::Empty;
    // The lookup ignores case, so a device whose stored name differs from the typed one only in case
    // finds itself: that is no other device's name.
    const CDevice *holder = FindDeviceByName(newName);
    if (holder && holder != &device) {
        ShowModelMessage(IDS_DEVICE_NAME_EXISTS_RENAME);
        return DeviceNameCheck::Duplicate;
    }
    return DeviceNameCheck::Accepted;
}

DeviceNameCheck CheckNewDeviceName(std::string_view name)
{
    if (!IsDeviceNameText(name)) {
        ShowModelMessage(IDS_DEVICE_NAME_CHARACTERS);
        return DeviceNameCheck::BadCharacters;
    }
    if (!name.empty() && FindDeviceByName(name)) {
        ShowModelMessage(IDS_DEVICE_NAME_EXISTS);
        return DeviceNameCheck::Duplicate;
    }
    return DeviceNameCheck::Accepted;
}
