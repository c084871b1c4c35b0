#include "model/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace model;

TEST(ParseDecimal, ReadsALeadingNumberOrNothing)
{
    struct Case {
        const char *text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"2.5", 2.5},  {"  7", 7.0},    {"-0.1", -0.1}, {"+3", 3.0},   {".5", 0.5},
        {"5abc", 5.0}, {"1e3", 1000.0}, {"", {}},       {"   ", {}},   {"abc", {}},
        {"--5", {}},   {"+-5", {}},     {"2,5", 2.0},   {"0x10", 0.0}, // no hexadecimal
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseDecimal(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isnan(*ParseDecimal("nan")));
    EXPECT_TRUE(std::isinf(*ParseDecimal("1e999")));
}

TEST(ParseInteger, EmptyIsZeroAndGarbageIsNothing)
{
    EXPECT_EQ(ParseInteger(""), 0L);
    EXPECT_EQ(ParseInteger(" 12x"), 12L);
    EXPECT_EQ(ParseInteger("-4"), -4L);
    EXPECT_FALSE(ParseInteger("x1"));
    EXPECT_FALSE(ParseInteger("99999999999999999999999"));
    EXPECT_EQ(ParseUnsigned16("65535"), uint16_t{65535});
    EXPECT_FALSE(ParseUnsigned16("65536"));
    EXPECT_FALSE(ParseUnsigned16("-1"));
}

TEST(FormatFixed, PadsOrTrimsLikePrintf)
{
    EXPECT_EQ(FormatFixed(0.1, 6, 2), "  0.10");
    EXPECT_EQ(FormatFixed(123456.789, 6, 2), "123456.79");
    EXPECT_EQ(FormatTrimmed(5.0, 8, 1), "5.0");
    EXPECT_EQ(FormatTrimmed(-1.25, 8, 1), "-1.2");
    EXPECT_EQ(FormatTrimmed(0.0, 8, 5), "0.00000");
    EXPECT_EQ(HundredthsRounded(0.126f), 13);
    EXPECT_EQ(HundredthsRounded(1e30f), INT32_MAX);
    EXPECT_EQ(HundredthsTruncated(-1.0f), -100);
    EXPECT_EQ(HundredthsTruncated(172801.0f), 17280100);
}

} // namespace
