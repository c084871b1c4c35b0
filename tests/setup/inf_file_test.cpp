#include "setup/directory_ids.h"
#include "setup/inf_file.h"
#include "temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace kvz::setup;

namespace
{

const InfLine &OnlyLine(const InfFile &inf, const char *section)
{
    const InfSection *s = inf.FindSection(section);
    EXPECT_NE(s, nullptr);
    EXPECT_EQ(s->lines.size(), 1u);
    return s->lines.at(0);
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(InfFile, ReadsKeysFieldsQuotesAndComments)
{
    struct Case {
        const char *line;
        bool hasKey;
        const char *key;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"Name = value", true, "Name", {"value"}},
        {"  Name=  a , b ,c  ; comment", true, "Name", {"a", "b", "c"}},
        {"plain.dll", false, "", {"plain.dll"}},
        {"dest.exe,src.exe", false, "", {"dest.exe", "src.exe"}},
        {"K = \"  spaced ; not a comment, nor a field \"",
         true,
         "K",
         {"  spaced ; not a comment, nor a field "}},
        {"K = \"say \"\"hi\"\"\"", true, "K", {"say \"hi\""}},
        {"K = a = b", true, "K", {"a = b"}},
        {"K = ,,x", true, "K", {"", "", "x"}},
        {"K = \"\"", true, "K", {""}},
        {"HKLM, Software\\A\\B, V, 0, \"C:\\dir\\\"",
         false,
         "",
         {"HKLM", "Software\\A\\B", "V", "0", "C:\\dir\\"}},
        {"K = one two  ", true, "K", {"one two"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        InfFile inf = InfFile::Parse(std::string("[S]\n") + c.line + "\n");
        const InfLine &line = OnlyLine(inf, "S");
        EXPECT_FALSE(line.malformed);
        EXPECT_EQ(line.hasKey, c.hasKey);
        EXPECT_EQ(line.key, c.key);
        EXPECT_EQ(line.fields, c.fields);
    }
}

TEST(InfFile, SectionsMergeIgnoreCaseAndSkipBlankCommentAndLeadingLines)
{
    InfFile inf = InfFile::Parse("orphan = 1\r\n"
                                 "[ Files ] ; trailing comment\r\n"
                                 "\r\n"
                                 "; a comment\r\n"
                                 "a.dll\r\n"
                                 "[Other]\r\n"
                                 "x = 1\r\n"
                                 "[files]\r\n"
                                 "b.dll\r\n");
    ASSERT_EQ(inf.Sections().size(), 2u);
    const InfSection *files = inf.FindSection("FILES");
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->name, "Files");
    ASSERT_EQ(files->lines.size(), 2u);
    EXPECT_EQ(files->lines[0].fields[0], "a.dll");
    EXPECT_EQ(files->lines[0].number, 5);
    EXPECT_EQ(files->lines[1].fields[0], "b.dll");
    EXPECT_EQ(inf.FindSection("Missing"), nullptr);
}

TEST(InfFile, TrailingBackslashJoinsTheNextLine)
{
    InfFile inf = InfFile::Parse("[S]\nCopyFiles = A, \\\n   B\nnext.dll\n");
    const InfSection *s = inf.FindSection("S");
    ASSERT_EQ(s->lines.size(), 2u);
    EXPECT_EQ(s->lines[0].fields, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(s->lines[1].fields[0], "next.dll");
    EXPECT_EQ(s->lines[1].number, 4);
}

TEST(InfFile, UnreadableLinesAreKeptAsMalformedInTheirSection)
{
    InfFile inf = InfFile::Parse("[A]\nK = \"unterminated\n[B]\nok.dll\n[Broken\nafter.dll\n");
    EXPECT_TRUE(OnlyLine(inf, "A").malformed);
    const InfSection *b = inf.FindSection("B");
    ASSERT_EQ(b->lines.size(), 3u);
    EXPECT_FALSE(b->lines[0].malformed);
    EXPECT_TRUE(b->lines[1].malformed); // the header without ']' stays in B
    EXPECT_FALSE(b->lines[2].malformed);
}

TEST(InfFile, SubstitutesStringsDirectoryIdsAndPercentSigns)
{
    kvz::test::TempDir dir;
    ::setenv("KVZ_SYSTEM_DIR", "/sys32", 1);
    DirectoryIds dirids;
    ASSERT_EQ(dirids.Set(65701, "/opt/kvz"), 0);
    InfFile inf = InfFile::Parse("[Strings]\nProduct = \"Brennic Plant Link\"\nKey = Software\\Q\n");
    EXPECT_EQ(inf.Substitute("%product% Configurator"), "Brennic Plant Link Configurator");
    EXPECT_EQ(inf.Substitute("%Key%\\Config"), "Software\\Q\\Config");
    EXPECT_EQ(inf.Substitute("%65701%\\KVZSPOLL.EXE", &dirids), "/opt/kvz\\KVZSPOLL.EXE");
    EXPECT_EQ(inf.Substitute("%11%", &dirids), "/sys32");
    EXPECT_EQ(inf.Substitute("%65701%"), "%65701%");
    EXPECT_EQ(inf.Substitute("%99999%", &dirids), "%99999%");
    EXPECT_EQ(inf.Substitute("100%% sure, %unknown%, 50%"), "100% sure, %unknown%, 50%");
    ::unsetenv("KVZ_SYSTEM_DIR");
}

TEST(InfFile, OpensUtf8AndUtf16FilesAndRefusesWhatIsNoWindows4Inf)
{
    kvz::test::TempDir dir;
    WriteBytes(dir / "utf8.inf", "\xEF\xBB\xBF[Version]\nSignature=\"$Windows NT$\"\n[S]\nK = \xC3\xA9\n");
    auto utf8 = OpenInfFile(dir / "utf8.inf");
    ASSERT_TRUE(utf8.ok);
    EXPECT_EQ(OnlyLine(utf8.inf, "S").fields[0], "\xC3\xA9");

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[S]\r\nK = v\r\n"))
        utf16 += std::string{c, '\0'};
    WriteBytes(dir / "utf16.inf", utf16);
    auto wide = OpenInfFile(dir / "utf16.inf");
    ASSERT_TRUE(wide.ok);
    EXPECT_EQ(OnlyLine(wide.inf, "S").fields[0], "v");

    WriteBytes(dir / "chicago.inf", "[version]\nsignature=$CHICAGO$\n");
    EXPECT_TRUE(OpenInfFile(dir / "chicago.inf").ok);

    struct Bad {
        std::string name;
        std::string bytes;
        int error;
    };
    const Bad bad[] = {
        {"old.inf", "[Version]\nSignature=\"$Windows 3.1$\"\n[S]\nK=v\n", EINVAL},
        {"empty.inf", "", EINVAL},
        {"nosections.inf", "just text\n", EINVAL},
        {"huge.inf", std::string(kMaxInfFileSize + 1, ';'), EFBIG},
    };
    for (const Bad &b : bad) {
        SCOPED_TRACE(b.name);
        WriteBytes(dir / b.name, b.bytes);
        auto r = OpenInfFile(dir / b.name);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, b.error);
    }
    EXPECT_EQ(OpenInfFile(dir / "missing.inf").error, ENOENT);
    EXPECT_EQ(OpenInfFile(dir.path().string()).error, EISDIR);
}
