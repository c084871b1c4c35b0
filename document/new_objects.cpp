#include "document/new_objects.h"

#include "model/drv_specific_channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"

std::unique_ptr<CChannel> NewChannel()
{
    return std::make_unique<CDrvSpecificChannel>();
}

std::unique_ptr<CDevice> NewDevice(CChannel *channel)
{
    return std::make_unique<CDrvSpecificDevice>(channel);
}

std::unique_ptr<CIORec> NewIORec()
{
    return std::make_unique<CDrvSpecificIORec>();
}
