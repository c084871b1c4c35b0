#include "model/dictionaries.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{

struct ValueCase {
    const char *table;
    Dictionary dict;
    const char *text;
    uint16_t value;
};

class DictValueOfTest : public testing::TestWithParam<ValueCase>
{
};

TEST_P(DictValueOfTest, MatchesTheFirstRowByItsMinimumLength)
{
    const ValueCase &c = GetParam();
    EXPECT_EQ(DictValueOf(c.dict, c.text), c.value) << c.table << " \"" << c.text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DictValueOfTest,
    testing::Values(
        ValueCase{"baud", baud_dct, "9", 14},      // "9600" needs one character
        ValueCase{"baud", baud_dct, "12", 0xFFFE}, // "1200" needs three
        ValueCase{"baud", baud_dct, "1200", 7}, ValueCase{"baud", baud_dct, "115200", 19},
        ValueCase{"baud", baud_dct, "", 0xFFFE},         // too short for every row
        ValueCase{"baud", baud_dct, "baud_dct", 0xFFFE}, // the header never matches
        ValueCase{"yes/no", Yes_No_dct, "yes", 0xFFFE},  // case matters
        ValueCase{"yes/no", Yes_No_dct, "Yes", 1}, ValueCase{"yes/no", Yes_No_dct, "Nope", 0},
        ValueCase{"handshake", handshake_dct, "RTS/CT", 0xFFFE}, // shorter than 7
        ValueCase{"handshake", handshake_dct, "RTS Tog CTS", 0x14},
        ValueCase{"port", port_dct, "None", 0xFFFF}, ValueCase{"port", port_dct, "COM1:", 0},
        ValueCase{"port", port_dct, "COM10:", 9}, ValueCase{"port", port_dct, "COM40:", 3}, // reaches "COM4:"
        ValueCase{"port", port_dct, "COM20:", 1},         // "COM2:" needs four characters and wins
        ValueCase{"port", port_dct, "UNDEFINED", 0xFFFE}, // beyond the row that ends lookups
        ValueCase{"plc", KVZ_hw_options_dct, "S7 15", 6}, ValueCase{"plc", KVZ_hw_options_dct, "S7 3", 1},
        ValueCase{"plc", KVZ_hw_options_dct, "S7 300 X", 1},
        ValueCase{"plc", KVZ_hw_options_dct, "S6", 0xFFFE},
        ValueCase{"plc", KVZ_hw_options_dct, "Simatic TI", 2},
        ValueCase{"protocol", Protocol_dct, "TCP/IP", 6}, ValueCase{"protocol", Protocol_dct, "IS", 2},
        ValueCase{"s7 mem", S7_Mem_Type_dct, "PA", 0}, // "P" comes first
        ValueCase{"s7 mem", S7_Mem_Type_dct, "DB10", 4}, ValueCase{"s7 mem", S7_Mem_Type_dct, "D", 0xFFFE},
        ValueCase{"s5 mem", KVZ_Mem_Type_dct, "DX", 10}, ValueCase{"s5 mem", KVZ_Mem_Type_dct, "DB", 1},
        ValueCase{"s5 mem", KVZ_Mem_Type_dct, "ST", 15},
        ValueCase{"ti mem", TI_Mem_Type_dct, "LRSN", 0x82F}, // reaches "LRSF"
        ValueCase{"ti mem", TI_Mem_Type_dct, "LHAR", 0x823}, // reaches "LHA"
        ValueCase{"ti mem", TI_Mem_Type_dct, "LPVH", 0x826},
        ValueCase{"ti mem", TI_Mem_Type_dct, "ST", 0xF00}, ValueCase{"ti data", TI_Data_Type_dct, "1F", 13},
        ValueCase{"s5 data", KVZ_Data_Type_dct, "Word", 1}, ValueCase{"exception", Exception_dct, "Dis", 0},
        ValueCase{"exception", Exception_dct, "Di", 0xFFFE}, ValueCase{"stop bits", stop_bits_dct, "2", 1}));

TEST(DictTextOf, GivesTheFirstRowsTextOrNothing)
{
    EXPECT_EQ(DictTextOf(baud_dct, 14).value_or("-"), "9600");
    EXPECT_EQ(DictTextOf(S7_Mem_Type_dct, 2).value_or("-"), "Q"); // first of "Q", "A", "PA"
    EXPECT_EQ(DictTextOf(baud_dct, 0xFFFE).value_or("-"), "*?*"); // negative as signed 16-bit
    EXPECT_EQ(DictTextOf(port_dct, 0xFFFF).value_or("-"), "*?*");
    EXPECT_FALSE(DictTextOf(baud_dct, 1).has_value());
    EXPECT_FALSE(DictTextOf(Yes_No_dct, 0xFE).has_value());
    EXPECT_EQ(DictTextOrUndefined(Yes_No_dct, 0xFE), "UNDEFINED");
}

TEST(DictTextOf, BufferVariantCopiesUnknownAsStarQuestionStarAndCutsToFit)
{
    std::string buf;
    DictTextOf(baud_dct, 1, buf, 32);
    EXPECT_EQ(buf, "*?*");
    DictTextOf(handshake_dct, 0x94, buf, 32);
    EXPECT_EQ(buf, "RTS T CTS+CD");
    DictTextOf(handshake_dct, 0x94, buf, 4);
    EXPECT_EQ(buf, "RTS");
}

TEST(DictIndexOf, GivesTheRowIndexOrTheEndRow)
{
    EXPECT_EQ(DictIndexOf(baud_dct, 14), 8);
    EXPECT_EQ(DictIndexOf(baud_dct, 99), 13); // the end row
    EXPECT_EQ(DictValueAt(baud_dct, 13), 0xFFFE);
    EXPECT_EQ(DictTextAt(baud_dct, 13), "*?*");
    EXPECT_EQ(DictIndexOf(KVZ_hw_options_dct, 1), 3);
    EXPECT_EQ(DictIndexOf(port_dct, 0xFFFF), 0);
    EXPECT_EQ(DictIndexOf(port_dct, 0xFFFE), 41);
    EXPECT_EQ(DictValueAt(baud_dct, 500), 0xFFFE); // beyond the table
    EXPECT_EQ(DictValueAt(KVZ_hw_options_dct, 6), 2);
}

TEST(Dictionaries, TiTablesHoldEveryRowInOrder)
{
    ASSERT_EQ(TI_Mem_Type_dct.size(), 97u + 2u);
    EXPECT_EQ(TI_Mem_Type_dct[0].minLength, -2);
    EXPECT_EQ(stop_bits_dct[0].minLength, -2);
    EXPECT_STREQ(TI_Mem_Type_dct[1].text, "VL");
    EXPECT_STREQ(TI_Mem_Type_dct[97].text, "ST");
    EXPECT_EQ(TI_Mem_Type_dct[98].value, 0xFFFE);

    ASSERT_EQ(TI_Default_Types.size(), 96u);
    int longFloat = 0;
    for (const TiDefaultType &d : TI_Default_Types)
        longFloat += d.dataType == 13;
    EXPECT_EQ(longFloat, 39);
    EXPECT_FALSE(TiDefaultTypeOf(0xF00).has_value());
    auto vl = TiDefaultTypeOf(0x110);
    ASSERT_TRUE(vl);
    EXPECT_EQ(vl->dataType, 10);
    EXPECT_EQ(vl->elementSize, 4);
    EXPECT_EQ(TiDefaultTypeOf(0x803)->dataType, 4);
    EXPECT_EQ(TiDefaultTypeOf(0x81B)->dataType, 11); // DCC
    EXPECT_EQ(TiDefaultTypeOf(0x873)->dataType, 1);  // AACK
    EXPECT_EQ(TiDefaultTypeOf(0x873)->elementSize, 2);
}

class RecordingCombo : public IComboList
{
public:
    void ResetContent() override { items.clear(); }
    void AddItem(std::string_view text, uint16_t data) override { items.emplace_back(text, data); }
    std::vector<std::pair<std::string, uint16_t>> items{{"stale", 0}};
};

TEST(FillComboFromDict, AddsEveryRowUpToTheEndRowWithItsValue)
{
    RecordingCombo combo;
    FillComboFromDict(combo, port_dct);
    ASSERT_EQ(combo.items.size(), 41u);
    EXPECT_EQ(combo.items.front(), std::make_pair(std::string("None"), uint16_t{0xFFFF}));
    EXPECT_EQ(combo.items.back(), std::make_pair(std::string("COM40:"), uint16_t{39}));
    FillComboFromDict(combo, Protocol_dct);
    ASSERT_EQ(combo.items.size(), 2u);
    EXPECT_EQ(combo.items[1], std::make_pair(std::string("TCP/IP"), uint16_t{6}));
}

} // namespace
