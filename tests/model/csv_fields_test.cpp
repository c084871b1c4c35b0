#include "model/csv_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

TEST(QuoteCsvField, QuotesOnlyTextsHoldingTheSeparatorOrAQuote)
{
    EXPECT_EQ(QuoteCsvField("plain", ","), "plain");
    EXPECT_EQ(QuoteCsvField("a,b", ","), "\"a,b\"");
    EXPECT_EQ(QuoteCsvField("a,b", ";"), "a,b");
    EXPECT_EQ(QuoteCsvField("a;b", ";"), "\"a;b\"");
    EXPECT_EQ(QuoteCsvField("say \"hi\"", ","), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(QuoteCsvField("", ","), "");
}

struct SplitCase {
    const char *line;
    const char *separator;
    std::vector<std::string> fields; // every field NextCsvField gives before it gives none
};

class NextCsvFieldTest : public testing::TestWithParam<SplitCase>
{
};

TEST_P(NextCsvFieldTest, SplitsTheLine)
{
    const SplitCase &c = GetParam();
    std::string_view cursor = c.line;
    std::vector<std::string> got;
    while (auto f = NextCsvField(cursor, c.separator)) {
        got.push_back(*f);
        ASSERT_LT(got.size(), 50u);
    }
    EXPECT_EQ(got, c.fields) << "line: " << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, NextCsvFieldTest,
    testing::Values(SplitCase{"a,b,c", ",", {"a", "b", "c"}}, SplitCase{"a,b,c\r\n", ",", {"a", "b", "c"}},
                    SplitCase{"a,,c", ",", {"a", "", "c"}},
                    SplitCase{"a,b,", ",", {"a", "b"}},        // nothing after the last separator
                    SplitCase{"  a  ,\tb", ",", {"a  ", "b"}}, // leading blanks skipped, trailing kept
                    SplitCase{"\"a,b\",c", ",", {"a,b", "c"}},
                    SplitCase{"\"say \"\"hi\"\"\",x", ",", {"say \"hi\"", "x"}},
                    SplitCase{"\"q\" junk ,next", ",", {"q", "next"}}, // text after the closing quote ignored
                    SplitCase{"x,\"open", ",", {"x"}},                 // unterminated quote: no field
                    SplitCase{"x,\"open\r\nrest\"", ",", {"x"}},       // CR before the closing quote
                    SplitCase{"\"last\"", ",", {"last"}}, SplitCase{"a;b;c", ";", {"a", "b", "c"}},
                    SplitCase{"a,b;c", ";", {"a,b", "c"}}, // a comma is data when ';' separates
                    SplitCase{"a\tb", "\t", {"a", "b"}}, SplitCase{"", ",", {}}, SplitCase{"\r\n", ",", {}},
                    SplitCase{"   \n", ",", {}}, SplitCase{",", ",", {""}}));

TEST(NextCsvField, MovesTheCursorPastTheSeparator)
{
    std::string_view cursor = "one,two";
    ASSERT_EQ(NextCsvField(cursor, ","), "one");
    EXPECT_EQ(cursor, "two");
    ASSERT_EQ(NextCsvField(cursor, ","), "two");
    EXPECT_TRUE(cursor.empty());
    std::string_view open = "\"never closed";
    EXPECT_FALSE(NextCsvField(open, ","));
    EXPECT_EQ(open, "\"never closed");
}

TEST(CsvFields, QuotedFieldsRoundTrip)
{
    for (const char *text : {"a,b", "\"", "x\"\"y", "  lead", "semi;colon", ""}) {
        for (const char *sep : {",", ";"}) {
            std::string line = QuoteCsvField(text, sep) + sep + "tail";
            std::string_view cursor = line;
            std::string expected = text;
            if (line.front() != '"') // an unquoted field keeps no leading blanks
                expected.erase(0, expected.find_first_not_of(' ') == std::string::npos
                                      ? expected.size()
                                      : expected.find_first_not_of(' '));
            EXPECT_EQ(NextCsvField(cursor, sep), expected) << text << " sep " << sep;
            EXPECT_EQ(NextCsvField(cursor, sep), "tail");
        }
    }
}

} // namespace
