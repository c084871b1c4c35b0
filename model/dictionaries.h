#pragma once
// Every vocabulary table of the model, rows in table order (the order decides which row a text
// reaches). Each table has its header row first and its end row last.
#include "model/dictionary.h"

#include <cstdint>
#include <optional>

// Serial-port settings of a channel.
extern const Dictionary baud_dct;
extern const Dictionary data_bits_dct;
extern const Dictionary stop_bits_dct;
extern const Dictionary parity_dct;
extern const Dictionary handshake_dct;
// COM ports: value n - 1 for COMn, "None" = 0xFFFF.
extern const Dictionary port_dct;

extern const Dictionary Yes_No_dct;
extern const Dictionary Exception_dct;
extern const Dictionary Data_Type_dct;

// Channel transport protocol: value 2 ISO transport on Ethernet, 6 TCP/IP.
extern const Dictionary Protocol_dct;
inline constexpr uint16_t kProtocolIso = 2;
inline constexpr uint16_t kProtocolTcpIp = 6;

// PLC types; the value (not the row index) is what records and family rules use.
extern const Dictionary KVZ_hw_options_dct;
inline constexpr uint16_t kPlcS5 = 0;
inline constexpr uint16_t kPlcS7_300 = 1;
inline constexpr uint16_t kPlcTi = 2;
inline constexpr uint16_t kPlcS7_200 = 3;
inline constexpr uint16_t kPlcS7_400 = 4;
inline constexpr uint16_t kPlcS7_1200 = 5;
inline constexpr uint16_t kPlcS7_1500 = 6;

// Memory types, data types and exception types of the poll records, by PLC family.
extern const Dictionary KVZ_Mem_Type_dct;
extern const Dictionary S7_Mem_Type_dct;
extern const Dictionary TI_Mem_Type_dct;
extern const Dictionary KVZ_Data_Type_dct;
extern const Dictionary S7_Data_Type_dct;
extern const Dictionary TI_Data_Type_dct;
extern const Dictionary KVZ_Exception_dct;
extern const Dictionary S7_Exception_dct;

// Default data type of a TI memory type, with the size of one element in bytes.
struct TiDefaultType {
    uint16_t memType;
    uint16_t dataType;
    uint16_t elementSize;
};
// One row per TI memory type except "ST", in the order of TI_Mem_Type_dct.
extern const std::span<const TiDefaultType> TI_Default_Types;
// The default of a TI memory type value, or nothing ("ST" and unknown values have none).
std::optional<TiDefaultType> TiDefaultTypeOf(uint16_t memType);
