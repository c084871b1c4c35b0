#include "model/iorec_defaults.h"

#include "model/drv_specific_iorec.h"

namespace
{
constexpr float kNewPollTime = 1.0f;
constexpr float kNewAccessTime = 300.0f;
} // namespace

void FillNewRecordDefaults(CDrvSpecificIORec &record, CDevice *device)
{
    record.SetStartAddress(0);
    record.SetEndAddress(0);
    record.SetLengthValue(0);
    record.SetDataTypeIndex(0);
    record.SetPollTimeValue(kNewPollTime);
    record.SetAccessTimeValue(kNewAccessTime);
    record.SetExceptionTypeIndex(0);
    record.SetDeadBandValue(0.0f);
    record.SetDataBlock(0);
    record.SetRecordNumberValue(-1);
    record.SetLiveStatus(kLiveStatusInitial);
    // Without a device there is no family; SetDevice derives it only from a device.
    record.SetPlcFamily(-1);
    record.SetDevice(device);
}

std::unique_ptr<CDrvSpecificIORec> NewPollRecordFor(CDevice *device)
{
    auto record = std::make_unique<CDrvSpecificIORec>();
    FillNewRecordDefaults(*record, device);
    return record;
}
