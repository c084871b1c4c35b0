// Units table: every unit that talks this driver's protocol and is not a standby unit becomes a device
// on the current channel, with one poll record so that it is polled from the start.
#include "import/dbf_table.h"
#include "import/host_import.h"
#include "import/import_common.h"

#include "model/channel.h"
#include "model/drv_specific_device.h"
#include "model/drv_specific_iorec.h"
#include "model/tree_state.h"
#include "niolib/niolib.h"

#include <memory>
#include <strings.h>

namespace hostdb
{
namespace
{

constexpr const char *kProtocolOfThisDriver = "VELDRIVE";
constexpr const char *kStandbyMode = "Standby";
constexpr const char *kDefaultStart = "ST0";
constexpr const char *kDefaultEnd = "ST199";

struct UnitFields {
    int name, protocol, comment, mode;
};

// The unit's device with its default poll record, added to `channel`. False when the device
// refuses the name (it has shown why), as a device without its name could not be told apart.
bool CreateUnitDevice(CChannel &channel, const std::string &name, const std::optional<std::string> &comment)
{
    auto device = std::make_unique<CDrvSpecificDevice>(&channel);
    device->SetChannel(&channel);
    if (device->SetName(name) != 0)
        return false;
    if (comment)
        device->SetDescription(*comment);
    CDevice *added = channel.AddDevice(std::move(device));

    auto record = std::make_unique<CDrvSpecificIORec>();
    CDrvSpecificIORec *pollRecord = record.get();
    added->AddIORec(std::move(record));
    pollRecord->SetDevice(added);
    pollRecord->ParseAddress(kDefaultStart, 1);
    pollRecord->ComputeLength();
    pollRecord->ParseAddress(kDefaultEnd, 0);
    pollRecord->ComputeLength();
    return true;
}

bool TakesUnit(const DbfTable &table, const UnitFields &f, int record)
{
    auto protocol = table.ReadText(record, f.protocol);
    if (!protocol || protocol->find(kProtocolOfThisDriver) == std::string::npos)
        return false;
    // A table without a MODE field has no standby units.
    if (f.mode >= 0) {
        auto mode = table.ReadText(record, f.mode);
        if (!mode || strcasecmp(mode->c_str(), kStandbyMode) == 0)
            return false;
    }
    return true;
}

} // namespace

ImportReport ImportUnits(const std::string &path)
{
    ImportReport report;
    auto table = DbfTable::Open(path);
    if (!table) {
        ShowFailedToOpen(path, kImportUnitsCaption);
        return report;
    }
    UnitFields f{table->FieldIndex("NAME"), table->FieldIndex("PROTOCOL"), table->FieldIndex("COMMENT"),
                 table->FieldIndex("MODE")};
    if (f.name < 0 || f.protocol < 0 || f.comment < 0)
        return report;
    nio_log(kLogInformation, kSuccessLog, table->RecordCount());

    for (int record = 0; record < table->RecordsHeld(); ++record) {
        if (!table->ReadText(record, f.protocol)) {
            report.notTaken.push_back(RecordLine(record, "PROTOCOL cannot be read; the unit was not taken"));
            continue;
        }
        if (!TakesUnit(*table, f, record))
            continue;
        // A blank name is no name: such a device could be neither told apart nor saved.
        auto name = table->ReadText(record, f.name);
        if (!name || name->empty()) {
            report.notTaken.push_back(
                RecordLine(record, "a unit of this driver without a NAME was not taken"));
            continue;
        }
        if (FindDeviceByName(*name))
            continue;
        CChannel *channel = GetCurrentChannel();
        if (!channel) {
            report.notTaken.push_back(
                RecordLine(record, "unit " + *name + " was not taken: no channel to add it to"));
            continue;
        }
        if (!CreateUnitDevice(*channel, *name, table->ReadText(record, f.comment)))
            report.notTaken.push_back(
                RecordLine(record, "unit " + *name + " was not taken: its name was refused"));
    }
    return report;
}

} // namespace hostdb
