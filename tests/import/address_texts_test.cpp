// The address texts built for one variable: every form of the table, each element width, arrays.
#include "import/address_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct TextCase {
    const char *addr;
    const char *type;
    std::vector<std::string> texts; // empty: the variable is ignored
};

class AddressTexts : public testing::TestWithParam<TextCase>
{
};

TEST_P(AddressTexts, AreBuiltByFormAndWidth)
{
    const TextCase &c = GetParam();
    EXPECT_EQ(hostdb::BuildAddressTexts("PLC1", c.addr, c.type), c.texts) << c.addr << " " << c.type;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressTexts,
    testing::Values(
        // Block and offset, with arrays: last element at s + n - 1, s + 2n - 2, s + 4n - 4.
        TextCase{"DB10,4", "INT", {"PLC1:DB10,W4"}},
        TextCase{"DB10,4[5]", "INT", {"PLC1:DB10,W4[5]", "PLC1:DB10,W12"}},
        TextCase{"DB10,4.2", "DIGITAL", {"PLC1:DB10,X4.2"}},
        TextCase{"DB3,0[10]", "BYTE", {"PLC1:DB3,X0[10]", "PLC1:DB3,X9"}},
        TextCase{"DB3,8[4]", "REAL", {"PLC1:DB3,D8[4]", "PLC1:DB3,D20"}},
        TextCase{"DB3,8[4]", "LONG", {"PLC1:DB3,D8[4]", "PLC1:DB3,D20"}},
        TextCase{"DB3,8", "BCD", {"PLC1:DB3,W8"}}, TextCase{"DB3,8[0]", "INT", {"PLC1:DB3,W8[0]"}},
        TextCase{"XDB3,8", "STRING", {"PLC1:DB3,X8"}},
        // "DB" without a comma after it: the text from "DB" on, never a second text.
        TextCase{"DB10.DBW4", "INT", {"PLC1:DB10.DBW4"}},
        TextCase{"DB10.DBW4[3]", "INT", {"PLC1:DB10.DBW4[3]"}}, TextCase{"1,DB5", "INT", {"PLC1:DB5"}},
        // M, I or Q anywhere: first character, the width letter, the rest.
        TextCase{"M10", "REAL", {"PLC1:MD10"}}, TextCase{"M10[3]", "REAL", {"PLC1:MD10[3]", "PLC1:MD18"}},
        TextCase{"Q4.2", "DIGITAL", {"PLC1:Q4.2"}},
        TextCase{"I0[16]", "DIGITAL", {"PLC1:I0[16]", "PLC1:I15"}}, TextCase{"IW6", "INT", {"PLC1:IWW6"}},
        TextCase{"M20[4]", "INT", {"PLC1:MW20[4]", "PLC1:MW26"}}, TextCase{"M[X]", "INT", {}},
        TextCase{"M[3]", "BYTE", {"PLC1:M[3]", "PLC1:M5"}},
        // "D" followed later by a colon.
        TextCase{"D5:20", "INT", {"PLC1:DB:5:20"}}, TextCase{"D5:20[4]", "INT", {"PLC1:DB:5:20[4]"}},
        TextCase{"D5", "INT", {}},
        // No form, or no width.
        TextCase{"T5", "INT", {}}, TextCase{"", "INT", {}}, TextCase{"M10", "FLOAT", {}},
        TextCase{"DB10,4", "", {}},
        // The type words are tested in the order DIGITAL, BYTE, STRING, REAL, LONG, INT, BCD.
        TextCase{"M4", "INT DIGITAL", {"PLC1:M4"}}, TextCase{"M4", "LONG INT", {"PLC1:MD4"}},
        TextCase{"M4", "POINT", {"PLC1:MW4"}}),
    [](const testing::TestParamInfo<TextCase> &param) { return "Case" + std::to_string(param.index); });

TEST(AddressTextsLimits, EveryTextIsCutTo63Characters)
{
    std::string unit(60, 'U');
    auto texts = hostdb::BuildAddressTexts(unit, "DB10,4[5]", "INT");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], (unit + ":DB10,W4[5]").substr(0, 63));
    EXPECT_EQ(texts[1], (unit + ":DB10,W12").substr(0, 63));
}

TEST(AddressTextsLimits, HugeOrNegativeCountsNeitherOverflowNorLearnBackwards)
{
    auto huge = hostdb::BuildAddressTexts("P", "M4294967296[99999999999999999999]", "REAL");
    ASSERT_EQ(huge.size(), 2u);
    EXPECT_EQ(huge[1], "P:MD4999999996");
    EXPECT_EQ(hostdb::BuildAddressTexts("P", "M10[-3]", "REAL"), std::vector<std::string>{"P:MD10[-3]"});
}

} // namespace
