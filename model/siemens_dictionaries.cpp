#include "model/dictionaries.h"

#include <algorithm>

// The tables of the Siemens controllers: protocols, PLC types, and the memory, data and exception
// types of the three families (S5, S7, Simatic TI).
namespace
{

const DictRow kProtocolRows[] = {
    {-1, "Protocol_dct", 0},
    {2, "ISO Industrial Ethernet", 2},
    {2, "TCP/IP", 6},
    {0, "", 0xFFFE},
};

const DictRow kHwOptionsRows[] = {
    {-1, "KVZ_hw_options_dct", 0},
    {4, "S7 200", 3},
    {5, "S7 1200", 5},
    {5, "S7 1500", 6},
    {4, "S7 300", 1},
    {4, "S7 400", 4},
    {2, "S5 Series", 0},
    {2, "Simatic TI", 2},
    {0, "", 0xFFFE},
};

const DictRow kS5MemTypeRows[] = {
    {-1, "KVZ_Mem_Type_dct", 0},
    {2, "DX", 10},
    {1, "DB", 1},
    {1, "C", 6},
    {1, "T", 7},
    {1, "ST", 15},
    {0, "", 0xFFFE},
};

// "PA" is never reached by text: "P" matches first.
const DictRow kS7MemTypeRows[] = {
    {-1, "S7_Mem_Type_dct", 0},
    {2, "DB", 4},
    {1, "M", 3},
    {1, "I", 1},
    {1, "Q", 2},
    {1, "S", 15},
    {1, "E", 1},
    {1, "P", 0},
    {1, "A", 2},
    {2, "PA", 2},
    {1, "Z", 5},
    {0, "", 0xFFFE},
};

// Order matters: a row after a shorter row with the same leading characters is unreachable by text.
const DictRow kTiMemTypeRows[] = {
    {-2, "TI_Mem_Type_dct", 0},
    {2, "VL", 0x110},
    {2, "VF", 0x700},
    {2, "KF", 0x600},
    {1, "V", 0x100},
    {1, "K", 0x500},
    {2, "XP", 0x300},
    {2, "YP", 0x400},
    {2, "CP", 0x200},
    {1, "X", 0x803},
    {1, "Y", 0x804},
    {1, "C", 0x805},
    {2, "WX", 0x809},
    {2, "WY", 0x80A},
    {3, "TCP", 0x80E},
    {3, "TCC", 0x80F},
    {3, "DSP", 0x810},
    {3, "DSC", 0x811},
    {3, "DCP", 0x812},
    {3, "STW", 0x81A},
    {3, "DCC", 0x81B},
    {3, "LKC", 0x820},
    {3, "LTI", 0x821},
    {3, "LTD", 0x822},
    {3, "LHA", 0x823},
    {3, "LLA", 0x824},
    {4, "LPVH", 0x826},
    {4, "LPVL", 0x827},
    {3, "LPV", 0x825},
    {3, "LODA", 0x828},
    {3, "LYDA", 0x829},
    {3, "LTS", 0x82A},
    {3, "LMN", 0x82C},
    {3, "LVF", 0x82D},
    {4, "LCFH", 0x84B},
    {4, "LCFL", 0x84C},
    {3, "LCF", 0x82E},
    {3, "LRSF", 0x82F},
    {5, "LERRR", 0x83F},
    {3, "LERR", 0x830},
    {4, "LMXR", 0x848},
    {3, "LMX", 0x831},
    {3, "LHHA", 0x832},
    {5, "LLLAR", 0x841},
    {3, "LLLA", 0x833},
    {3, "LRCA", 0x834},
    {5, "LSPLR", 0x849},
    {5, "LSPHR", 0x84A},
    {4, "LSPH", 0x835},
    {4, "LSPL", 0x836},
    {4, "LSPR", 0x83E},
    {3, "LSP", 0x82B},
    {5, "LADBR", 0x842},
    {3, "LADB", 0x837},
    {3, "LHAR", 0x838},
    {3, "LLAR", 0x839},
    {3, "LPVR", 0x83A},
    {3, "LODAR", 0x83B},
    {3, "LYDAR", 0x83C},
    {3, "LMNR", 0x83D},
    {3, "LHHAR", 0x840},
    {3, "LKD", 0x84D},
    {3, "LRSN", 0x84E},
    {3, "LACK", 0x84F},
    {3, "AHA", 0x850},
    {3, "ALA", 0x851},
    {4, "APVH", 0x853},
    {4, "APVL", 0x854},
    {4, "APVR", 0x864},
    {3, "APV", 0x852},
    {5, "AODAR", 0x865},
    {4, "AODA", 0x855},
    {5, "AYDAR", 0x866},
    {4, "AYDA", 0x856},
    {3, "ATS", 0x857},
    {5, "ASPLR", 0x86F},
    {5, "ASPHR", 0x870},
    {4, "ASPR", 0x867},
    {3, "ASP", 0x858},
    {3, "AVF", 0x859},
    {4, "ACFH", 0x871},
    {4, "ACFL", 0x872},
    {3, "ACF", 0x85A},
    {5, "AERRR", 0x869},
    {4, "AERR", 0x85B},
    {5, "AHHAR", 0x86A},
    {4, "AHHA", 0x85C},
    {5, "ALLAR", 0x86B},
    {4, "ALLA", 0x85D},
    {4, "ARCA", 0x85E},
    {4, "ASPH", 0x85F},
    {4, "ASPL", 0x860},
    {4, "AADB", 0x861},
    {4, "AHAR", 0x862},
    {4, "ALAR", 0x863},
    {4, "ADBR", 0x868},
    {4, "AACK", 0x873},
    {2, "ST", 0xF00},
    {0, "", 0xFFFE},
};

const TiDefaultType kTiDefaultRows[] = {
    {0x110, 10, 4}, // VL
    {0x700, 12, 4}, // VF
    {0x600, 12, 4}, // KF
    {0x100, 1, 2},  // V
    {0x500, 1, 2},  // K
    {0x300, 1, 2},  // XP
    {0x400, 1, 2},  // YP
    {0x200, 1, 2},  // CP
    {0x803, 4, 2},  // X
    {0x804, 4, 2},  // Y
    {0x805, 4, 2},  // C
    {0x809, 1, 2},  // WX
    {0x80A, 1, 2},  // WY
    {0x80E, 1, 2},  // TCP
    {0x80F, 1, 2},  // TCC
    {0x810, 1, 2},  // DSP
    {0x811, 1, 2},  // DSC
    {0x812, 1, 2},  // DCP
    {0x81A, 1, 2},  // STW
    {0x81B, 11, 4}, // DCC
    {0x820, 13, 4}, // LKC
    {0x821, 13, 4}, // LTI
    {0x822, 13, 4}, // LTD
    {0x823, 13, 4}, // LHA
    {0x824, 13, 4}, // LLA
    {0x826, 13, 4}, // LPVH
    {0x827, 13, 4}, // LPVL
    {0x825, 13, 4}, // LPV
    {0x828, 13, 4}, // LODA
    {0x829, 13, 4}, // LYDA
    {0x82A, 13, 4}, // LTS
    {0x82C, 13, 4}, // LMN
    {0x82D, 1, 2},  // LVF
    {0x84B, 1, 2},  // LCFH
    {0x84C, 1, 2},  // LCFL
    {0x82E, 11, 4}, // LCF
    {0x82F, 1, 2},  // LRSF
    {0x83F, 1, 2},  // LERRR
    {0x830, 13, 4}, // LERR
    {0x848, 1, 2},  // LMXR
    {0x831, 13, 4}, // LMX
    {0x832, 13, 4}, // LHHA
    {0x841, 1, 2},  // LLLAR
    {0x833, 13, 4}, // LLLA
    {0x834, 13, 4}, // LRCA
    {0x849, 1, 2},  // LSPLR
    {0x84A, 1, 2},  // LSPHR
    {0x835, 13, 4}, // LSPH
    {0x836, 13, 4}, // LSPL
    {0x83E, 1, 2},  // LSPR
    {0x82B, 13, 4}, // LSP
    {0x842, 1, 2},  // LADBR
    {0x837, 13, 4}, // LADB
    {0x838, 1, 2},  // LHAR
    {0x839, 1, 2},  // LLAR
    {0x83A, 1, 2},  // LPVR
    {0x83B, 1, 2},  // LODAR
    {0x83C, 1, 2},  // LYDAR
    {0x83D, 1, 2},  // LMNR
    {0x840, 1, 2},  // LHHAR
    {0x84D, 13, 4}, // LKD
    {0x84E, 1, 2},  // LRSN
    {0x84F, 1, 2},  // LACK
    {0x850, 13, 4}, // AHA
    {0x851, 13, 4}, // ALA
    {0x853, 13, 4}, // APVH
    {0x854, 13, 4}, // APVL
    {0x864, 1, 2},  // APVR
    {0x852, 13, 4}, // APV
    {0x865, 1, 2},  // AODAR
    {0x855, 13, 4}, // AODA
    {0x866, 1, 2},  // AYDAR
    {0x856, 13, 4}, // AYDA
    {0x857, 13, 4}, // ATS
    {0x86F, 1, 2},  // ASPLR
    {0x870, 1, 2},  // ASPHR
    {0x867, 1, 2},  // ASPR
    {0x858, 13, 4}, // ASP
    {0x859, 1, 2},  // AVF
    {0x871, 1, 2},  // ACFH
    {0x872, 1, 2},  // ACFL
    {0x85A, 13, 4}, // ACF
    {0x869, 1, 2},  // AERRR
    {0x85B, 13, 4}, // AERR
    {0x86A, 1, 2},  // AHHAR
    {0x85C, 13, 4}, // AHHA
    {0x86B, 1, 2},  // ALLAR
    {0x85D, 13, 4}, // ALLA
    {0x85E, 13, 4}, // ARCA
    {0x85F, 13, 4}, // ASPH
    {0x860, 13, 4}, // ASPL
    {0x861, 13, 4}, // AADB
    {0x862, 1, 2},  // AHAR
    {0x863, 1, 2},  // ALAR
    {0x868, 1, 2},  // ADBR
    {0x873, 1, 2},  // AACK
};

const DictRow kS5DataTypeRows[] = {
    {-1, "KVZ_Data_Type_dct", 0},
    {1, "Word  (KF/KM)", 1},
    {0, "", 0xFFFE},
};

const DictRow kS7DataTypeRows[] = {
    {-1, "S7_Data_Type_dct", 0},
    {1, "Byte", 1},
    {0, "", 0xFFFE},
};

const DictRow kTiDataTypeRows[] = {
    {-1, "TI_Data_Type_dct", 0}, {1, "Signed", 1}, {2, "1Long", 11},
    {2, "1Float", 13},           {1, "Bit", 4},    {0, "", 0xFFFE},
};

const DictRow kS5ExceptionRows[] = {
    {-1, "KVZ_Exception_dct", 0},
    {3, "Disabled", 0},
    {2, "Analog", 1},
    {3, "Digital", 2},
    {2, "ASCII", 3},
    {0, "", 0xFFFE},
};

const DictRow kS7ExceptionRows[] = {
    {-1, "S7_Exception_dct", 0},
    {3, "Disabled", 0},
    {0, "", 0xFFFE},
};

} // namespace

const Dictionary Protocol_dct{kProtocolRows};
const Dictionary KVZ_hw_options_dct{kHwOptionsRows};
const Dictionary KVZ_Mem_Type_dct{kS5MemTypeRows};
const Dictionary S7_Mem_Type_dct{kS7MemTypeRows};
const Dictionary TI_Mem_Type_dct{kTiMemTypeRows};
const Dictionary KVZ_Data_Type_dct{kS5DataTypeRows};
const Dictionary S7_Data_Type_dct{kS7DataTypeRows};
const Dictionary TI_Data_Type_dct{kTiDataTypeRows};
const Dictionary KVZ_Exception_dct{kS5ExceptionRows};
const Dictionary S7_Exception_dct{kS7ExceptionRows};
const std::span<const TiDefaultType> TI_Default_Types{kTiDefaultRows};

std::optional<TiDefaultType> TiDefaultTypeOf(uint16_t memType)
{
    auto it = std::find_if(TI_Default_Types.begin(), TI_Default_Types.end(),
                           [&](const TiDefaultType &row) { return row.memType == memType; });
    if (it == TI_Default_Types.end())
        return std::nullopt;
    return *it;
}
