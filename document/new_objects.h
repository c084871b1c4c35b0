#pragma once
// The configuration objects the document creates: always the driver-specific classes.
#include <memory>

class CChannel;
class CDevice;
class CIORec;

std::unique_ptr<CChannel> NewChannel();
std::unique_ptr<CDevice> NewDevice(CChannel *channel);
std::unique_ptr<CIORec> NewIORec();
