// The CSV line of a poll record.
#include "model/csv_fields.h"
#include "model/device.h"
#include "model/dictionaries.h"
#include "model/drv_specific_iorec.h"
#include "model/model_message.h"
#include "model/string_table.h"
#include "model/tree_state.h"

namespace
{

void AppendField(std::string &line, std::string_view text, std::string_view separator)
{
    line.append(separator);
    line.append(QuoteCsvField(text, separator));
}

} // namespace

void CDrvSpecificIORec::WriteCsvHeader(std::string &line, std::string_view separator) const
{
    CIORec::WriteCsvHeader(line, separator);
    AppendField(line, LoadModelString(IDS_START_ADDRESS), separator);
    AppendField(line, LoadModelString(IDS_LENGTH), separator);
}

void CDrvSpecificIORec::WriteCsv(std::string &line, std::string_view separator) const
{
    line.append(QuoteCsvField(GetRecordNumberText(), separator));
    AppendField(line, GetDevice() ? GetDevice()->GetName() : std::string(), separator);
    AppendField(line, GetDataTypeText(), separator);
    AppendField(line, GetPollTimeText(), separator);
    AppendField(line, GetAccessTimeText(), separator);
    AppendField(line, GetExceptionTypeText(KVZ_Exception_dct), separator);
    AppendField(line, GetDeadBandText(), separator);
    AppendField(line, GetAddressText(1), separator);
    AppendField(line, GetLengthText(), separator);
}

bool CDrvSpecificIORec::ReadCsv(std::string_view &cursor, std::string_view separator, bool &ignored)
{
    ignored = true;
    std::string_view at = cursor;
    if (!NextCsvField(at, separator)) { // the loader numbers the records itself
        ShowModelMessage(IDS_IOREC_NOT_FOUND);
        return false;
    }
    auto name = NextCsvField(at, separator);
    CDevice *device = name ? FindDeviceByName(*name) : nullptr;
    if (!device) {
        ShowModelMessage(IDS_DEVICE_NOT_FOUND);
        return false;
    }
    SetDevice(device);
    auto fail = [this] {
        SetDevice(nullptr); // the import discards a record that belongs to no device
        return false;
    };
    // A line that ends early names the first column it lacks.
    auto next = [&](int column) {
        auto field = NextCsvField(at, separator);
        if (!field)
            ShowModelMessage(IDS_CSV_FIELD_NOT_FOUND, {LoadModelString(column)});
        return field;
    };

    // The data type waits for the address and length, which decide what a TI record may carry.
    auto dataType = next(IDS_KEY_DATA_TYPE);
    if (!dataType)
        return fail();
    auto pollTime = next(IDS_KEY_POLL_TIME);
    if (!pollTime)
        return fail();
    SetPollTime(*pollTime);
    auto accessTime = next(IDS_KEY_ACCESS_TIME);
    if (!accessTime)
        return fail();
    SetAccessTime(*accessTime);
    auto exception = next(IDS_KEY_EXCEPTION);
    if (!exception)
        return fail();
    SetExceptionType(*exception, KVZ_Exception_dct);
    auto deadBand = next(IDS_KEY_DEAD_BAND);
    if (!deadBand)
        return fail();
    SetDeadBand(*deadBand);

    auto start = next(IDS_START_ADDRESS);
    if (!start || !ParseAddressKeepingLength(*start, 1) || !ParseAddress(*start, 0))
        return fail();
    auto length = next(IDS_LENGTH);
    if (!length || !SetLength(*length) || !ComputeEnd())
        return fail();

    if (int position = FindOverlap(*device, this)) {
        ShowModelMessage(IDS_ADDRESS_ALREADY_DEFINED, {std::to_string(position)});
        return fail();
    }
    SetDataType(*dataType);
    ignored = false;
    cursor = at;
    return true;
}
