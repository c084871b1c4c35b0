#include "model/protocol_change.h"

#include "model/channel.h"
#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "model/model_message.h"
#include "model/string_table.h"

#include <string>

std::vector<CDrvSpecificDevice *> DevicesNotFittingProtocol(const CChannel &channel, uint16_t protocolValue)
{
    std::vector<CDrvSpecificDevice *> out;
    for (const auto &d : channel.Devices())
        if (auto *device = dynamic_cast<CDrvSpecificDevice *>(d.get()))
            if (!device->AddressesFitProtocol(protocolValue))
                out.push_back(device);
    return out;
}

bool ConfirmProtocolChange(const std::vector<CDrvSpecificDevice *> &devices, uint16_t protocolValue)
{
    if (devices.empty())
        return true;
    std::string list;
    for (const CDrvSpecificDevice *device : devices) {
        if (!list.empty())
            list += "\n\r";
        list += device->GetName() + "  " + device->GetAddressText(0);
        if (device->GetBackupConnectionEnabled())
            list += " / " + device->GetAddressText(1);
    }
    const std::string protocol = DictTextAt(Protocol_dct, DictIndexOf(Protocol_dct, protocolValue));
    return AskModelQuestion(IDS_PROTOCOL_CHANGE_ADDRESSES, {protocol, list}, kvz::MsgIcon::Question);
}

void FitDevicesToProtocol(const std::vector<CDrvSpecificDevice *> &devices, uint16_t protocolValue)
{
    for (CDrvSpecificDevice *device : devices)
        device->FitAddressesToProtocol(protocolValue);
}
