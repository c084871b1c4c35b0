#pragma once
// The model's string table: every message and keyword text, looked up by its id. Messages are shown by
// id through ShowModelMessage; %1 and %2 are filled by FormatModelString.
#include <initializer_list>
#include <string>
#include <string_view>

// Ids of the texts, named for what they say.
enum ModelStringId : int {
    IDS_INVALID_LENGTH = 3002,
    IDS_CHANGE_PLC_TYPE = 3003,
    IDS_START_BEFORE_END = 3005,
    IDS_ADDRESS_ALREADY_DEFINED = 3007,
    IDS_START_ADDRESS_FIRST = 3008,
    IDS_DEVICE_NAME_EXISTS_RENAME = 4001,
    IDS_INVALID_START_ADDRESS = 4004,
    IDS_DEFAULT_DEVICE_PREFIX = 4008,
    IDS_ADDRESS_UNDEFINED = 4009,
    IDS_ETHERNET_ADDRESS = 4014,
    IDS_READ_TSAP_ID = 4016,
    IDS_WRITE_TSAP_ID = 4017,
    IDS_INVALID_TSAP = 4044,
    IDS_INVALID_ETHERNET_ADDRESS = 4045,
    IDS_INVALID_IP_ADDRESS = 4052,
    IDS_INVALID_PLC_TYPE = 4054,
    IDS_LENGTH = 4055,
    IDS_START_ADDRESS = 4056,
    // Why an address text was refused where no range applies.
    IDS_ADDRESS_MISSING = 4060,
    IDS_UNKNOWN_MEMORY_TYPE = 4061,
    IDS_ADDRESS_SEPARATOR_MISSING = 4062,
    IDS_ADDRESS_NUMBER_MISSING = 4063,
    IDS_INVALID_DATA_BLOCK = 4064,
    // An end address typed in another memory type or data block than the start address.
    IDS_END_ADDRESS_OUTSIDE_AREA = 4065,
    // A channel's new protocol cannot hold some of its devices' addresses.
    IDS_PROTOCOL_CHANGE_ADDRESSES = 4066,
    IDS_COLUMN_IO_BLOCKS = 5400,
    IDS_COLUMN_START = 5401,
    IDS_COLUMN_END = 5402,
    IDS_COLUMN_LENGTH = 5403,
    IDS_COLUMN_DATA_TYPE = 5404,
    IDS_COLUMN_POLL_TIME = 5405,
    IDS_COLUMN_ACCESS_TIME = 5406,
    IDS_COLUMN_EXCEPTION_TYPE = 5407,
    IDS_COLUMN_DEAD_BAND = 5408,
    IDS_SETUP_CHANNEL_PROMPT = 10127,
    IDS_DELETE_DEVICE = 10300,
    IDS_CSV_TITLE_MARK = 10406,
    IDS_INVALID_DEAD_BAND = 10408,
    IDS_DESCRIPTION_TOO_LONG = 10410,
    IDS_DEVICE_NAME_TOO_LONG = 10411,
    IDS_DEVICE_NAME_EXISTS = 10413,
    IDS_DISABLED = 10414,
    IDS_CHANNEL_NOT_FOUND = 10434,
    IDS_DEVICE_NOT_FOUND = 10437,
    IDS_IOREC_NOT_FOUND = 10441,
    IDS_INVALID_ACCESS_TIME = 10452,
    IDS_ACCESS_TIME_EXCEPTION = 10453,
    IDS_INVALID_DELAY = 10456,
    IDS_DEVICE_NAME_CHARACTERS = 10457,
    IDS_INVALID_POLL_TIME = 10460,
    IDS_INVALID_REPLY_TIMEOUT = 10462,
    IDS_INVALID_RETRIES = 10463,
    IDS_KEY_ACCESS_TIME = 10467,
    IDS_KEY_DISPLAY_ALARMS = 10468,
    IDS_KEY_ASP = 10469,
    IDS_KEY_BACKUP_BAUDRATE = 10470,
    IDS_KEY_BACKUP_DATA_BITS = 10471,
    IDS_KEY_BACKUP_DELAY = 10472,
    IDS_KEY_BACKUP_FLOW = 10473,
    IDS_KEY_BACKUP_PARITY = 10474,
    IDS_KEY_BACKUP_PORT = 10475,
    IDS_KEY_BACKUP_REPLY_TIMEOUT = 10476,
    IDS_KEY_BACKUP_RETRIES = 10477,
    IDS_KEY_BACKUP_STOP_BITS = 10478,
    IDS_KEY_BAUD_RATE = 10479,
    IDS_KEY_CHANNEL = 10480,
    IDS_KEY_DATA_TYPE = 10481,
    IDS_KEY_DATA_BITS = 10482,
    IDS_KEY_DEAD_BAND = 10483,
    IDS_KEY_DELAY = 10484,
    IDS_KEY_DESCRIPTION = 10485,
    IDS_KEY_DEVICE_NAME = 10486,
    IDS_KEY_EXCEPTION = 10487,
    IDS_KEY_FLOW = 10488,
    IDS_KEY_IOREC = 10489,
    IDS_KEY_LENGTH = 10490,
    IDS_KEY_MARK = 10491,
    IDS_KEY_PARITY = 10492,
    IDS_KEY_POLL_TIME = 10493,
    IDS_KEY_PORT = 10494,
    IDS_KEY_REPLY_TIMEOUT = 10495,
    IDS_KEY_RETRIES = 10496,
    IDS_KEY_START_ADDR = 10497,
    IDS_KEY_STOP_BITS = 10498,
    IDS_NEGATIVE_DEAD_BAND = 10500,
    IDS_UNDEFINED = 10507,
    IDS_INVALID_DEVICE_NAME_CHARS = 10509,
    // A CSV data line that is not taken: the column it lacks, or no section before it.
    IDS_CSV_FIELD_NOT_FOUND = 10520,
    IDS_CSV_LINE_OUTSIDE_SECTION = 10521,
    // The channel toolbar's prompts: "Select channel n for display/edit" is 10600 + n (1..16).
    IDS_SELECT_CHANNEL_FIRST = 10601,
    IDS_SELECT_CHANNEL_LAST = 10616,
    IDS_READY_PROMPT = 57345,
    // The framework's own messages of its number fields.
    IDS_ENTER_INTEGER = 61712,
    IDS_ENTER_NUMBER = 61713,
};

// The text of `id`; empty for an id the table does not hold.
std::string LoadModelString(int id);

// The text of `id` with every %1 replaced by the first argument and %2 by the second. A placeholder
// without an argument stays as it is.
std::string FormatModelString(int id, std::initializer_list<std::string_view> args);
// The same on a text that is not in the table.
std::string FormatPlaceholders(std::string_view text, std::initializer_list<std::string_view> args);

// A decimal bound of a range message: "%*.*f" with width 6 and two decimals, not trimmed
// (0.1 gives "  0.10").
std::string FormatDecimalBound(double value);
// An integer bound of a range message: unsigned decimal.
std::string FormatUnsignedBound(unsigned long value);
