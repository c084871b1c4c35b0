#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

using namespace kvz;

TEST(TextEncoding, RoundTripsAllPlanes)
{
    const std::string text = "Intel(R) PRO/1000 \xC3\xA4\xE2\x82\xAC \xF0\x9F\x98\x80";
    std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"Intel(R) PRO/1000 \u00E4\u20AC \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(TextEncoding, MalformedInputBecomesReplacementCharacters)
{
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},                     // truncated at the end
        {"\xE2\x82", u"\uFFFD\uFFFD"},           // truncated three-byte sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
    };
    for (const auto &c : cases)
        EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Paths, BothSeparatorsAreAccepted)
{
    EXPECT_EQ(DirectoryOf("/opt/kvz/DEFAULT.KVZ"), "/opt/kvz");
    EXPECT_EQ(DirectoryOf("C:\\FIX\\PDB\\DEFAULT.KVZ"), "C:\\FIX\\PDB");
    EXPECT_EQ(DirectoryOf("DEFAULT.KVZ"), "");
    EXPECT_EQ(FileNameOf("/a\\b/c.csv"), "c.csv");
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");
    EXPECT_EQ(ExtensionOf("/a/c.Kvz"), "Kvz");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_TRUE(EqualsIgnoreCase("/tmp/Default.kvz", "/TMP/DEFAULT.KVZ"));
    EXPECT_FALSE(EqualsIgnoreCase("a", "ab"));
    EXPECT_TRUE(PathExists("/"));
    EXPECT_FALSE(PathExists(""));
}
