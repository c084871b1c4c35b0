#pragma once
// A new poll record of a device: the record defaults of the model with the device's PLC family.
#include <memory>

class CDevice;
class CDrvSpecificIORec;

// Resets `record` to the defaults of a new poll record (start, end and length 0, data type 0, poll
// time 1.0, access time 300.0, exception 0, dead band 0, data block 0) and gives it `device` and the
// family of the device's PLC type.
void FillNewRecordDefaults(CDrvSpecificIORec &record, CDevice *device);
// A new record with those defaults, not yet added to the device.
std::unique_ptr<CDrvSpecificIORec> NewPollRecordFor(CDevice *device);
