#include "model/plc_type_change.h"

#include "model/dictionaries.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/iorec_defaults.h"
#include "model/model_message.h"
#include "model/siemens_address.h"
#include "model/string_table.h"

namespace
{

using Tsaps = std::pair<std::string, std::string>;

constexpr const char *kWriteNotUsed = "Not Used";

bool IsS7_300or400(uint16_t code)
{
    return code == kPlcS7_300 || code == kPlcS7_400;
}

bool IsS7_1200or1500(uint16_t code)
{
    return code == kPlcS7_1200 || code == kPlcS7_1500;
}

Tsaps DefaultTsapsOf(uint16_t code)
{
    auto [read, write] = PlcTypeTsapDefaults(code);
    return {read, write};
}

// The TSAPs a change within the S7 family writes; nothing between S7 300 and S7 400.
std::optional<Tsaps> S7ChangeTsaps(uint16_t from, uint16_t to)
{
    if (IsS7_300or400(from) && IsS7_300or400(to))
        return std::nullopt;
    if (IsS7_300or400(from) && to == kPlcS7_200)
        return Tsaps{"CP243", kWriteNotUsed};
    if (from == kPlcS7_200 && IsS7_300or400(to))
        return Tsaps{"R=0;S=2", kWriteNotUsed};
    if ((IsS7_300or400(from) || from == kPlcS7_200) && IsS7_1200or1500(to))
        return Tsaps{"R=0;S=1", kWriteNotUsed};
    // Changes from S7 1200 and S7 1500 take the defaults of the new type.
    return DefaultTsapsOf(to);
}

struct FirstAddresses {
    const char *start;
    const char *end;
};

FirstAddresses FirstAddressesOf(int16_t family)
{
    if (family == kFamilyS5)
        return {"ST:0", "ST:99"};
    // TI addresses start at 1: "ST:0" would be refused with a range message and leave a record
    // without a memory type, so every first TI record is "ST:1".."ST:100".
    if (family == kFamilyTi)
        return {"ST:1", "ST:100"};
    return {"ST0", "ST199"};
}

void RemoveAllPollRecords(CDrvSpecificDevice &device)
{
    while (device.IORecCount() > 0)
        device.RemoveIORec(device.IORecs().back().get());
}

void SetPrimaryTsaps(CDrvSpecificDevice &device, const Tsaps &tsaps)
{
    device.SetReadTsap(tsaps.first);
    device.SetWriteTsap(tsaps.second);
}

} // namespace

PlcTypeChangePlan PlanPlcTypeChange(uint16_t fromCode, uint16_t toCode)
{
    PlcTypeChangePlan plan;
    if (fromCode == toCode) {
        plan.keepsPollRecords = true;
        return plan;
    }
    if (PlcFamilyOf(fromCode) == kFamilyS7 && PlcFamilyOf(toCode) == kFamilyS7) {
        plan.keepsPollRecords = true;
        plan.tsaps = S7ChangeTsaps(fromCode, toCode);
        return plan;
    }
    plan.tsaps = DefaultTsapsOf(toCode);
    return plan;
}

PlcTypeChange ChangePlcType(CDrvSpecificDevice &device, uint16_t newIndex)
{
    if (newIndex == device.GetPlcTypeIndex())
        return PlcTypeChange::Unchanged;
    const uint16_t to = DictValueAt(KVZ_hw_options_dct, newIndex);
    if (PlcFamilyOf(to) < 0)
        return PlcTypeChange::Unchanged; // no row of the PLC types
    PlcTypeChangePlan plan = PlanPlcTypeChange(device.GetPlcTypeValue(), to);

    if (plan.keepsPollRecords) {
        device.SetPlcTypeIndex(newIndex);
        if (!plan.tsaps)
            return PlcTypeChange::KeptPollRecords;
        SetPrimaryTsaps(device, *plan.tsaps);
        return PlcTypeChange::KeptPollRecordsTsaps;
    }

    if (device.IORecCount() > 0 && !AskModelQuestion(IDS_CHANGE_PLC_TYPE))
        return PlcTypeChange::Refused;
    RemoveAllPollRecords(device);
    device.SetPlcTypeIndex(newIndex);
    AddFirstPollRecord(device, FirstRecordFor::PlcTypeChange);
    SetPrimaryTsaps(device, *plan.tsaps);
    return PlcTypeChange::ReplacedPollRecords;
}

// Both purposes give the same addresses (see FirstAddressesOf); the purpose stays in the interface so
// that callers say which table they follow.
CIORec *AddFirstPollRecord(CDrvSpecificDevice &device, FirstRecordFor)
{
    auto owned = NewPollRecordFor(&device);
    CDrvSpecificIORec *record = owned.get();
    device.AddIORec(std::move(owned));
    // The record's own device decides the family, whichever channel is current.
    FirstAddresses first = FirstAddressesOf(record->GetPlcFamily());
    record->ParseAddress(first.start, 1);
    record->ComputeLength();
    record->ParseAddress(first.end, 0);
    record->ComputeLength();
    return record;
}
