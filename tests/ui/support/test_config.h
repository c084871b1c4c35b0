#pragma once
// A document holding a configuration built for a test: channels, devices of given PLC types and poll
// records made from address texts, the way the configurator would hold them after a file was opened.
#include "document/did_doc.h"

#include <cstdint>
#include <string>

class CDevice;
class CDrvSpecificChannel;
class CDrvSpecificDevice;
class CDrvSpecificIORec;

class TestConfig
{
public:
    TestConfig();
    ~TestConfig();

    // A channel appended to the document; the first one becomes the current channel.
    CDrvSpecificChannel *AddChannel();
    // A device of PLC type value `plcTypeValue` (kPlcS7_300 ...) on `channel`, made its current device.
    CDrvSpecificDevice *AddDevice(CDrvSpecificChannel *channel, uint16_t plcTypeValue,
                                  const std::string &name);
    // A poll record of `device` from the start address text (its length as the address implies, at
    // least 1) or with `length` elements; appended and made the device's current poll record.
    CDrvSpecificIORec *AddRecord(CDevice *device, const std::string &start, const std::string &length = "");

    CDidDoc doc;
};
