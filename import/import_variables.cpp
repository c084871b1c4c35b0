// Variables table: every variable's address becomes one or two "device:address" texts that are learned
// into the poll records of its device.
#include "import/address_texts.h"
#include "import/dbf_table.h"
#include "import/host_import.h"
#include "import/import_common.h"

#include "model/drv_specific_iorec.h"
#include "model/tree_state.h"
#include "niolib/niolib.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>

namespace hostdb
{
namespace
{

constexpr const char *kUnreadable = "--NULL--";

// The four values of the current variable, held as the host's 64-character text buffers hold them.
struct VariableBuffers {
    std::string name, unit, addr, type;
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Reads the fields in the order NAME, UNIT, ADDR, TYPE into `buffers`; the first value that cannot be
// read is stored as "--NULL--" and the record is skipped (false).
bool ReadVariable(const DbfTable &table, const std::array<int, 4> &fields, int record,
                  VariableBuffers &buffers)
{
    std::array<std::string *, 4> slots{&buffers.name, &buffers.unit, &buffers.addr, &buffers.type};
    for (size_t i = 0; i < slots.size(); ++i) {
        auto value = table.ReadText(record, fields[i]);
        if (!value) {
            *slots[i] = kUnreadable;
            return false;
        }
        *slots[i] = value->substr(0, kTextMax);
    }
    buffers.addr = Upper(buffers.addr);
    buffers.type = Upper(buffers.type);
    return true;
}

// False when the variable belongs to a device of this configuration and no poll record takes it.
bool LearnVariable(const VariableBuffers &v)
{
    std::vector<std::string> texts = BuildAddressTexts(v.unit, v.addr, v.type);
    bool taken = !texts.empty();
    for (const std::string &text : texts) {
        nio_log(kLogInformation, "%s", text.c_str());
        LearnResult result = CDrvSpecificIORec::LearnAddress(text);
        taken = taken && result != LearnResult::Ignored && result != LearnResult::NotMerged;
    }
    // Variables of other units are other drivers' business.
    return taken || !FindDeviceByName(v.unit);
}

std::string Described(const VariableBuffers &v)
{
    return "variable " + v.name + " (UNIT " + v.unit + ", ADDR " + v.addr + ", TYPE " + v.type + ")";
}

} // namespace

ImportReport ImportVariables(const std::string &path)
{
    ImportReport report;
    auto table = DbfTable::Open(path);
    if (!table) {
        ShowFailedToOpen(path, kImportVariablesCaption);
        return report;
    }
    // Read in the order NAME, UNIT, ADDR, TYPE.
    std::array<int, 4> fields{table->FieldIndex("NAME"), table->FieldIndex("UNIT"), table->FieldIndex("ADDR"),
                              table->FieldIndex("TYPE")};
    if (std::any_of(fields.begin(), fields.end(), [](int f) { return f < 0; }))
        return report;
    nio_log(kLogInformation, kSuccessLog, table->RecordCount());

    VariableBuffers buffers;
    for (int record = 0; record < table->RecordsHeld(); ++record) {
        if (!ReadVariable(*table, fields, record, buffers)) {
            report.notTaken.push_back(
                RecordLine(record, "a value cannot be read; " + Described(buffers) + " was not taken"));
            continue;
        }
        // One variable that cannot be learned must not end the import of the others.
        try {
            if (!LearnVariable(buffers))
                report.notTaken.push_back(RecordLine(record, Described(buffers) + " gave no poll record"));
        } catch (const std::exception &) {
            report.notTaken.push_back(RecordLine(record, Described(buffers) + " could not be learned"));
        }
    }
    return report;
}

} // namespace hostdb
