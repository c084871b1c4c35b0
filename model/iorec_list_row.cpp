// The row of a poll record in the poll-record list: the front end only draws what this gives.
#include "model/dictionaries.h"
#include "model/drv_specific_iorec.h"
#include "model/list_control.h"
#include "model/number_text.h"
#include "model/string_table.h"

namespace
{

// Live status words the driver writes (top three bits cleared).
constexpr int kStatusGood = 0;
constexpr int kStatusError = 4293;
constexpr int kStatusNotPolledA = 4296;
constexpr int kStatusNotPolledB = 4297; // the record tag: not polled yet

} // namespace

std::array<std::string, 9> IORecListColumnTitles()
{
    std::array<std::string, 9> titles;
    for (size_t i = 0; i < titles.size(); ++i)
        titles[i] = LoadModelString(IDS_COLUMN_IO_BLOCKS + static_cast<int>(i));
    return titles;
}

int IORecStateImage(int liveStatus)
{
    switch (liveStatus) {
    case kStatusGood:
        return 1;
    case kStatusError:
        return 2;
    case kStatusNotPolledA:
    case kStatusNotPolledB:
        return 3;
    default:
        return 4;
    }
}

IORecListRow CDrvSpecificIORec::ListRow(int row)
{
    IORecListRow out;
    bool changed = false;
    out.stateImage = IORecStateImage(ReadLiveStatus(changed));
    out.statusChanged = changed;
    std::string disabled = LoadModelString(IDS_DISABLED);
    // Numbers are written the same in every locale (a front end runs in the user's).
    out.columns = {
        std::to_string(row + 1),
        GetAddressText(1),
        GetAddressText(0),
        GetLengthText(),
        GetDataTypeText(),
        GetPollTime() == kPollTimeDisabled ? disabled : model::FormatFixed(GetPollTime(), 8, 2),
        GetAccessTime() == kAccessTimeDisabled ? disabled : model::FormatFixed(GetAccessTime(), 8, 1),
        GetExceptionTypeText(KVZ_Exception_dct),
        model::FormatFixed(GetDeadBand(), 7, 1),
    };
    return out;
}

void CDrvSpecificIORec::ShowInList(int row, IListControl &list)
{
    IORecListRow data = ListRow(row);
    if (row >= list.GetItemCount()) {
        list.InsertItem(row, data.columns[0], data.stateImage);
    } else {
        list.SetItemText(row, 0, data.columns[0]);
        list.SetItemImage(row, data.stateImage);
    }
    for (int column = 1; column < static_cast<int>(data.columns.size()); ++column)
        list.SetItemText(row, column, data.columns[static_cast<size_t>(column)]);
}
