#include "model/dictionaries.h"

// The generic tables shared by every driver of this family.
namespace
{

const DictRow kBaudRows[] = {
    {-1, "baud_dct", 0}, {3, "110", 2},    {3, "150", 4},    {2, "200", 20},    {2, "300", 5},
    {1, "600", 6},       {3, "1200", 7},   {2, "2400", 10},  {1, "4800", 12},   {1, "9600", 14},
    {3, "19200", 15},    {2, "38400", 16}, {2, "57600", 17}, {3, "115200", 19}, {0, "", 0xFFFE},
};

const DictRow kDataBitsRows[] = {
    {-1, "data_bits_dct", 0},
    {1, "7", 2},
    {1, "8", 3},
    {0, "", 0xFFFE},
};

const DictRow kStopBitsRows[] = {
    {-2, "stop_bits_dct", 0},
    {1, "1", 0},
    {1, "2", 1},
    {0, "", 0xFFFE},
};

const DictRow kParityRows[] = {
    {-1, "parity_dct", 0}, {1, "None", 0}, {1, "Odd", 1}, {1, "Even", 3}, {0, "", 0xFFFE},
};

const DictRow kHandshakeRows[] = {
    {-1, "handshake_dct", 0}, {1, "None", 0x00},        {7, "RTS/CTS", 0x12},      {1, "DTR/DSR", 0x21},
    {9, "RTS Toggle", 0x04},  {9, "RTS Tog CTS", 0x14}, {9, "RTS T CTS+CD", 0x94}, {0, "", 0xFFFE},
};

// COMn has the value n - 1; the first "None" stands for no port.
const DictRow kPortRows[] = {
    {-1, "", 0},
    {4, "None", 0xFFFF},
    {5, "COM1:", 0},
    {4, "COM2:", 1},
    {4, "COM3:", 2},
    {4, "COM4:", 3},
    {4, "COM5:", 4},
    {4, "COM6:", 5},
    {4, "COM7:", 6},
    {4, "COM8:", 7},
    {4, "COM9:", 8},
    {5, "COM10:", 9},
    {5, "COM11:", 10},
    {5, "COM12:", 11},
    {5, "COM13:", 12},
    {5, "COM14:", 13},
    {5, "COM15:", 14},
    {5, "COM16:", 15},
    {5, "COM17:", 16},
    {5, "COM18:", 17},
    {5, "COM19:", 18},
    {5, "COM20:", 19},
    {5, "COM21:", 20},
    {5, "COM22:", 21},
    {5, "COM23:", 22},
    {5, "COM24:", 23},
    {5, "COM25:", 24},
    {5, "COM26:", 25},
    {5, "COM27:", 26},
    {5, "COM28:", 27},
    {5, "COM29:", 28},
    {5, "COM30:", 29},
    {5, "COM31:", 30},
    {5, "COM32:", 31},
    {5, "COM33:", 32},
    {5, "COM34:", 33},
    {5, "COM35:", 34},
    {5, "COM36:", 35},
    {5, "COM37:", 36},
    {5, "COM38:", 37},
    {5, "COM39:", 38},
    {5, "COM40:", 39},
    {4, "None", 0xFFFE}, // ends every lookup
    {3, "UNDEFINED", 0xFFFF},
    {0, "", 0xFFFE},
};

const DictRow kYesNoRows[] = {
    {-1, "Yes_No_dct", 0},
    {1, "Yes", 1},
    {1, "No", 0},
    {0, "", 0xFFFE},
};

const DictRow kExceptionRows[] = {
    {-1, "Exception_dct", 0}, {3, "Disabled", 0}, {2, "Analog", 1},
    {3, "Digital", 2},        {2, "ASCII", 3},    {0, "", 0xFFFE},
};

const DictRow kDataTypeRows[] = {
    {-1, "Data_Type_dct", 0}, {1, "Unsigned", 2}, {1, "Signed", 1},  {1, "Float", 3}, {6, "Long Signed", 7},
    {6, "Long Unsigned", 6},  {1, "ASCII", 0},    {1, "Digital", 4}, {0, "", 0xFFFE},
};

} // namespace

const Dictionary baud_dct{kBaudRows};
const Dictionary data_bits_dct{kDataBitsRows};
const Dictionary stop_bits_dct{kStopBitsRows};
const Dictionary parity_dct{kParityRows};
const Dictionary handshake_dct{kHandshakeRows};
const Dictionary port_dct{kPortRows};
const Dictionary Yes_No_dct{kYesNoRows};
const Dictionary Exception_dct{kExceptionRows};
const Dictionary Data_Type_dct{kDataTypeRows};
