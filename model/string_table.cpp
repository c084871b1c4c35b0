#include "model/string_table.h"

#include "model/number_text.h"

#include <algorithm>
#include <iterator>

namespace
{

struct StringEntry {
    int id;
    const char *text;
};

// Sorted by id.
constexpr StringEntry kStrings[] = {
    {IDS_INVALID_LENGTH, "Invalid Length \n\r [Valid Range:  %1 - %2 ]"},
    {IDS_CHANGE_PLC_TYPE, "Changing the PLC type will cause all Poll Records for this device to be "
                          "removed.\n\rDo you wish to continue?"},
    {IDS_START_BEFORE_END, "Start Address must be before End Address."},
    {IDS_ADDRESS_ALREADY_DEFINED, "Address already defined in Poll Record %1"},
    {IDS_START_ADDRESS_FIRST, "A Start Address must be entered before an End Address or Length"},
    {IDS_DEVICE_NAME_EXISTS_RENAME, "Device Name already Exists"},
    {IDS_INVALID_START_ADDRESS, "Invalid Start Address\n\r(Valid Range:  %1 - %2 )"},
    {IDS_DEFAULT_DEVICE_PREFIX, "D"},
    {IDS_ADDRESS_UNDEFINED, "--Undefined--"},
    {IDS_ETHERNET_ADDRESS, "ETHERNET ADDRESS"},
    {IDS_READ_TSAP_ID, "READ TSAP ID"},
    {IDS_WRITE_TSAP_ID, "WRITE TSAP ID"},
    {IDS_INVALID_TSAP, "Please enter a valid TSAP_ID.\n"},
    {IDS_INVALID_ETHERNET_ADDRESS, "Please enter a valid ethernet address.\n"},
    {IDS_INVALID_IP_ADDRESS, "Please enter a valid IP address.\neg. 192.168.0.1"},
    {IDS_INVALID_PLC_TYPE, "Invalid PLC type"},
    {IDS_LENGTH, "LENGTH"},
    {IDS_START_ADDRESS, "START ADDRESS"},
    {IDS_ADDRESS_MISSING, "No Address entered"},
    {IDS_UNKNOWN_MEMORY_TYPE, "Invalid Address %1\n\r(Unknown Memory Type)"},
    {IDS_ADDRESS_SEPARATOR_MISSING, "Invalid Address %1\n\r(Separator Missing)"},
    {IDS_ADDRESS_NUMBER_MISSING, "Invalid Address %1\n\r(Address Number Missing)"},
    {IDS_INVALID_DATA_BLOCK, "Invalid Data Block Number\n\r(Valid Range:  %1 - %2 )"},
    {IDS_END_ADDRESS_OUTSIDE_AREA,
     "Invalid End Address %1\n\r(Not in the memory area of the Start Address %2)"},
    {IDS_PROTOCOL_CHANGE_ADDRESSES,
     "The addresses of these devices do not fit the protocol %1:\n\r%2\n\rThey will "
     "be set to the protocol's default address.\n\rDo you wish to continue?"},
    {IDS_COLUMN_IO_BLOCKS, "I/O Blocks"},
    {IDS_COLUMN_START, "Start"},
    {IDS_COLUMN_END, "End"},
    {IDS_COLUMN_LENGTH, "Length"},
    {IDS_COLUMN_DATA_TYPE, "Data Type"},
    {IDS_COLUMN_POLL_TIME, "Poll Time"},
    {IDS_COLUMN_ACCESS_TIME, "Access Time"},
    {IDS_COLUMN_EXCEPTION_TYPE, "Exception Type"},
    {IDS_COLUMN_DEAD_BAND, "Dead Band"},
    {IDS_SETUP_CHANNEL_PROMPT, "Setup the Selected Channel"},
    {IDS_DELETE_DEVICE,
     "This will delete the Device and all associated Poll Records.\n\r\n\rDo You Wish to Continue?"},
    {IDS_CSV_TITLE_MARK, "["},
    {IDS_INVALID_DEAD_BAND, "DEAD BAND specified is invalid."},
    {IDS_DESCRIPTION_TOO_LONG, "DEVICE DESCRIPTION is more than the maximum length."},
    {IDS_DEVICE_NAME_TOO_LONG, "DEVICE NAME is more than the maximum length."},
    {IDS_DEVICE_NAME_EXISTS, "Device Name Already Exists"},
    {IDS_DISABLED, "Disabled"},
    {IDS_CHANNEL_NOT_FOUND, "CHANNEL NUMBER not found. Line ignored!"},
    {IDS_DEVICE_NOT_FOUND, "DEVICE NAME  not found. Line ignored!"},
    {IDS_IOREC_NOT_FOUND, "IOREC Number not found. Line ignored."},
    {IDS_INVALID_ACCESS_TIME, "Invalid Access Time (Valid Range %1 - %2)\nOr \"Disabled\""},
    {IDS_ACCESS_TIME_EXCEPTION, "Invalid for exception based poll record\n\n(Valid entry: DISABLED)"},
    {IDS_INVALID_DELAY, "Invalid Delay Value (Valid Range %1 - %2)"},
    {IDS_DEVICE_NAME_CHARACTERS, "Device name must contain only alphanumeric characters or '-' ,'_'"},
    {IDS_INVALID_POLL_TIME, "Invalid Poll Time (Valid Range %1 - %2)"},
    {IDS_INVALID_REPLY_TIMEOUT, "Invalid Reply Timeout Value (Valid Range %1 - %2)"},
    {IDS_INVALID_RETRIES, "Invalid Retry Value (Valid Range %1 - %2)"},
    {IDS_KEY_ACCESS_TIME, "ACCESS TIME"},
    {IDS_KEY_DISPLAY_ALARMS, "DISPLAY ALARMS"},
    {IDS_KEY_ASP, "ASP"},
    {IDS_KEY_BACKUP_BAUDRATE, "BACKUP BAUDRATE"},
    {IDS_KEY_BACKUP_DATA_BITS, "BACKUP DATA BITS"},
    {IDS_KEY_BACKUP_DELAY, "BACKUP DELAY"},
    {IDS_KEY_BACKUP_FLOW, "BACKUP FLOW"},
    {IDS_KEY_BACKUP_PARITY, "BACKUP PARITY"},
    {IDS_KEY_BACKUP_PORT, "BACKUP PORT"},
    {IDS_KEY_BACKUP_REPLY_TIMEOUT, "BACKUP REPLY TIMEOUT"},
    {IDS_KEY_BACKUP_RETRIES, "BACKUP RETRIES"},
    {IDS_KEY_BACKUP_STOP_BITS, "BACKUP STOP BITS"},
    {IDS_KEY_BAUD_RATE, "BAUD RATE"},
    {IDS_KEY_CHANNEL, "CHANNEL"},
    {IDS_KEY_DATA_TYPE, "DATA TYPE"},
    {IDS_KEY_DATA_BITS, "DATA BITS"},
    {IDS_KEY_DEAD_BAND, "DEAD BAND"},
    {IDS_KEY_DELAY, "DELAY"},
    {IDS_KEY_DESCRIPTION, "DESCRIPTION"},
    {IDS_KEY_DEVICE_NAME, "DEVICE NAME"},
    {IDS_KEY_EXCEPTION, "EXCEPTION"},
    {IDS_KEY_FLOW, "FLOW"},
    {IDS_KEY_IOREC, "IOREC"},
    {IDS_KEY_LENGTH, "LENGTH"},
    {IDS_KEY_MARK, "!"},
    {IDS_KEY_PARITY, "PARITY"},
    {IDS_KEY_POLL_TIME, "POLL TIME"},
    {IDS_KEY_PORT, "PORT"},
    {IDS_KEY_REPLY_TIMEOUT, "REPLY TIMEOUT"},
    {IDS_KEY_RETRIES, "RETRIES"},
    {IDS_KEY_START_ADDR, "START ADDR"},
    {IDS_KEY_STOP_BITS, "STOP BITS"},
    {IDS_NEGATIVE_DEAD_BAND, "Deadband can't be negative"},
    {IDS_UNDEFINED, "UNDEFINED"},
    {IDS_INVALID_DEVICE_NAME_CHARS,
     "The devicename may not include any of the following characters \":,|&\""},
    {IDS_CSV_FIELD_NOT_FOUND, "%1 not found. Line ignored."},
    {IDS_CSV_LINE_OUTSIDE_SECTION, "No section keyword line (!CHANNEL, !DEVICE NAME or !IOREC) before this "
                                   "line. Line ignored."},
    {IDS_SELECT_CHANNEL_FIRST, "Select channel 1 for display/edit"},
    {10602, "Select channel 2 for display/edit"},
    {10603, "Select channel 3 for display/edit"},
    {10604, "Select channel 4 for display/edit"},
    {10605, "Select channel 5 for display/edit"},
    {10606, "Select channel 6 for display/edit"},
    {10607, "Select channel 7 for display/edit"},
    {10608, "Select channel 8 for display/edit"},
    {10609, "Select channel 9 for display/edit"},
    {10610, "Select channel 10 for display/edit"},
    {10611, "Select channel 11 for display/edit"},
    {10612, "Select channel 12 for display/edit"},
    {10613, "Select channel 13 for display/edit"},
    {10614, "Select channel 14 for display/edit"},
    {10615, "Select channel 15 for display/edit"},
    {IDS_SELECT_CHANNEL_LAST, "Select channel 16 for display/edit"},
    {IDS_READY_PROMPT, "For Help, choose a command from the Help Menu"},
    {IDS_ENTER_INTEGER, "Please enter an integer."},
    {IDS_ENTER_NUMBER, "Please enter a number."},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringEntry &a, const StringEntry &b) { return a.id < b.id; }));

} // namespace

std::string LoadModelString(int id)
{
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const StringEntry &e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    return it->text;
}

std::string FormatPlaceholders(std::string_view text, std::initializer_list<std::string_view> args)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            size_t n = static_cast<size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out.append(*(args.begin() + n));
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string FormatModelString(int id, std::initializer_list<std::string_view> args)
{
    return FormatPlaceholders(LoadModelString(id), args);
}

std::string FormatDecimalBound(double value)
{
    return model::FormatFixed(value, 6, 2);
}

std::string FormatUnsignedBound(unsigned long value)
{
    return std::to_string(value);
}
