// Variables table: every variable's address becomes one or two "device:address" texts that are learned
// into the poll records of its device.
#include "import/address_texts.h"
#include "import/dbf_table.h"
#include "import/host_import.h"
#include "import/import_common.h"

#include "model/drv_specific_iorec.h"
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

void LearnVariable(const VariableBuffers &v)
{
    for (const std::string &text : BuildAddressTexts(v.unit, v.addr, v.type)) {
        nio_log(kLogInformation, "%s", text.c_str());
        CDrvSpecificIORec::LearnAddress(text);
    }
}

} // namespace

void ImportVariables(const std::string &path)
{
    auto table = DbfTable::Open(path);
    if (!table) {
        ShowFailedToOpen(path, kImportVariablesCaption);
        return;
    }
    // Read in the order NAME, UNIT, ADDR, TYPE.
    std::array<int, 4> fields{table->FieldIndex("NAME"), table->FieldIndex("UNIT"), table->FieldIndex("ADDR"),
                              table->FieldIndex("TYPE")};
    if (std::any_of(fields.begin(), fields.end(), [](int f) { return f < 0; }))
        return;
    nio_log(kLogInformation, kSuccessLog, table->RecordCount());

    VariableBuffers buffers;
    for (int record = 0; record < table->RecordsHeld(); ++record) {
        if (!ReadVariable(*table, fields, record, buffers))
            continue;
        // One variable that cannot be learned must not end the import of the others.
        try {
            LearnVariable(buffers);
        } catch (const std::exception &) {
        }
    }
}

} // namespace hostdb
